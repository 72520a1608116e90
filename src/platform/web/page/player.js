// The player around a live show: where it is, paused or playing, and every way to move it
// (the bar, the keys, the gestures and the Media Session all come here). The program tells
// it the schedule's scenes and when a seek has reached its moment; the views (bar.js,
// media.js) follow it through onPlayerChange.
const kDefaultStepMs = 20; // the frame step until the program has said its own

export const player = {
  instance: null, // the running live show's program, or null
  scenes: [], // the schedule's clips, {name, start, end}, from the program
  lengthMs: 0, // the show's length: the last clip's end
  frameStepMs: kDefaultStepMs, // one frame of the show, for , and .
  paused: false,
  target: null, // the moment of a seek under way
  moment: null, // the moment of the last seek, while paused there
  lastSeek: null, // {to, inputAt, frameAt, shownAt, frameMs}: the last seek, timed
  elapsedMs: 0, // the last live frame's time
  seeksDrawn: 0, // seeks that reached their moment's frame
};

const listeners = [];

// `listener(what)` after each change: 'started', 'ended', 'paused' or 'moved'.
export function onPlayerChange(listener) {
  listeners.push(listener);
}

function changed(what) {
  for (const listener of listeners) listener(what);
}

export function live() {
  return player.instance !== null;
}

// Clip `index` of the schedule, as the program names it while it starts.
export function addScene(index, name, start, end) {
  player.scenes[index] = { name, start, end };
  player.lengthMs = Math.max(player.lengthMs, end);
}

export function forgetScenes() {
  player.scenes = [];
  player.lengthMs = 0;
}

export function playerStarted(instance) {
  player.instance = instance;
  player.frameStepMs = instance._quorvaneFrameStepMs();
  player.paused = false;
  player.target = null;
  player.moment = null;
  player.lastSeek = null;
  player.elapsedMs = 0;
  changed('started');
}

export function playerEnded() {
  if (player.instance === null) return;
  player.instance = null;
  changed('ended');
}

// Where the show is, or is going to: paused after a seek, the moment asked for (the frame
// shown is the last one drawn at or before it).
export function position() {
  return player.moment !== null ? player.moment : player.elapsedMs;
}

export function sceneAt(ms) {
  return player.scenes.find((scene) => ms >= scene.start && ms < scene.end);
}

export function setPaused(paused) {
  if (!live() || paused === player.paused) return;
  if (paused) player.instance._quorvanePause();
  else player.instance._quorvaneResume();
  player.paused = paused;
  if (!paused) player.moment = null;
  changed('paused');
}

export function togglePaused() {
  setPaused(!player.paused);
}

// To `ms` of the show (clamped to it); `inputAt` is the input's time, for the seek's timing.
export function seekTo(ms, inputAt) {
  if (!live()) return;
  const to = Math.round(Math.max(0, Math.min(player.lengthMs - 1, ms)));
  player.target = to;
  player.moment = to;
  player.lastSeek = {
    to,
    inputAt: inputAt || performance.now(),
    frameAt: null,
    shownAt: null,
    frameMs: null,
  };
  player.instance._quorvaneSeek(to);
  changed('moved');
}

export function seekBy(ms, inputAt) {
  seekTo(position() + ms, inputAt);
}

// To `share` (0 to 1) of the show.
export function seekToShare(share, inputAt) {
  seekTo(share * player.lengthMs, inputAt);
}

// One frame back (-1) or on (1), while paused: the capture's frame for that moment.
export function stepFrame(direction, inputAt) {
  if (!live() || !player.paused) return;
  seekBy(direction * player.frameStepMs, inputAt);
}

// To the start of the previous scene (-1) or the next (1). Before the first scene's start
// (there is none) the previous is the start; after the last, there is no next.
export function stepScene(direction, inputAt) {
  if (!live() || player.scenes.length === 0) return;
  const ms = position();
  let current = player.scenes.findIndex((scene) => ms >= scene.start && ms < scene.end);
  if (current < 0) current = ms < player.scenes[0].start ? -1 : player.scenes.length - 1;
  const index = current + direction;
  if (index < 0) seekTo(0, inputAt);
  else if (index < player.scenes.length) seekTo(player.scenes[index].start, inputAt);
}

// The program has run a seek's frames: the moment's frame is on the canvas.
export function seeked(elapsedMs) {
  if (!live()) return;
  player.target = null;
  if (!player.paused) player.moment = null;
  player.seeksDrawn += 1;
  const seek = player.lastSeek;
  if (seek && seek.frameAt === null) {
    seek.frameAt = performance.now();
    seek.frameMs = elapsedMs;
    requestAnimationFrame(() => {
      seek.shownAt = performance.now();
    });
  }
  changed('moved');
}

// Escape while paused ends the show as Escape ends a playing one (which the show sees itself).
export function endPaused() {
  if (live() && player.paused) player.instance._quorvaneEnd();
}
