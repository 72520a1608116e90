// The program's lifecycle and its graphics context: a fresh program (quorvane.js's
// createQuorvane) with its own canvas for each show, the data written into its file system,
// the show started by name, stopped or ended; a drawing buffer as sharp as the canvas is
// shown; and a lost context survived, or given up on when it does not come back. The
// program's callbacks arrive here and go on to the card and the player.
import { benchSize, isLive, loopShow, requestedMs, showName, startMs } from './address.js';
import { fail, playButton, showCatchUp, showEndCard } from './card.js';
import { FileError, inSiteNames } from './loading.js';
import { addScene, forgetScenes, player, playerEnded, playerStarted, seeked } from './player.js';
import { soundtrack } from './soundtrack.js';

// The drawing buffer: 4:3, at most what the capture's largest size draws.
const kAspectWidth = 4;
const kAspectHeight = 3;
const kMaxBufferWidth = 2880;
const kStillSize = [800, 600]; // ?at= and ?bench keep the golden frames' size
// How long a lost graphics context may stay lost before the page gives up on it.
const kRestoreWaitMs = 3000;

const stageBox = document.getElementById('stage-box');
const stage = () => document.getElementById('stage');

// The program whose show runs or ran last, and what it has said.
export const show = {
  instance: null,
  running: false,
  frames: 0, // live frames drawn
  elapsedMs: 0, // the last one's time
  firstFrameAt: 0, // performance clock at the first live frame
  playClickedAt: 0, // performance clock at the last click on Play
  failure: '', // why it could not start, in the program's words
  loaded: null, // the site's files, {file, bytes}
  restoreTimer: 0, // the wait for a lost context to come back
};

// The drawing buffer for the canvas's displayed 4:3 picture in device pixels.
function bufferSize(canvas) {
  if (benchSize) return benchSize;
  if (!isLive) return kStillSize;
  const ratio = window.devicePixelRatio || 1;
  const box = canvas.getBoundingClientRect();
  const unit = Math.floor(
    Math.min((box.width * ratio) / kAspectWidth, (box.height * ratio) / kAspectHeight),
  );
  const units = Math.max(1, Math.min(kMaxBufferWidth / kAspectWidth, unit));
  return [units * kAspectWidth, units * kAspectHeight];
}

// Gives the show a drawing buffer as sharp as the canvas is shown (`always`: also when the
// canvas has that size already, for a program that has not been told).
function fitCanvas(always) {
  const canvas = stage();
  const [width, height] = bufferSize(canvas);
  if (show.instance && (always || canvas.width !== width || canvas.height !== height)) {
    show.instance._webGlSetDrawingBufferSize(width, height);
  }
}

export function watchStageSize() {
  new ResizeObserver(() => fitCanvas(false)).observe(stageBox);
}

function giveUpOnContext(text, consoleLine) {
  if (!show.running) return;
  stopShow();
  fail(text, consoleLine, playButton);
}

// A lost context: the show goes on without a picture and gets it back on restore.
function watchContext(canvas) {
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault(); // without it, the browser never gives the context back
    if (show.instance) show.instance._webGlContextLost();
    clearTimeout(show.restoreTimer);
    show.restoreTimer = setTimeout(() => {
      giveUpOnContext(
        'The graphics card stopped drawing the show and did not come back.',
        'the WebGL context was lost and not restored',
      );
    }, kRestoreWaitMs);
  });
  canvas.addEventListener('webglcontextrestored', () => {
    clearTimeout(show.restoreTimer);
    // A context given back that cannot be drawn with is no better than none; the program
    // has said why on the console.
    if (show.instance && show.instance._webGlContextRestored() !== 0) {
      giveUpOnContext('The graphics card came back but cannot draw the show.', '');
    }
  });
}

// Called for every live frame: as cheap as can be.
function frameDrawn(frames, elapsedMs) {
  show.frames = frames;
  show.elapsedMs = elapsedMs;
  player.elapsedMs = elapsedMs;
  if (frames === 1) show.firstFrameAt = performance.now();
}

function showEnded(elapsedMs, lengthMs) {
  clearTimeout(show.restoreTimer);
  show.running = false;
  playerEnded();
  showEndCard(elapsedMs, lengthMs);
}

// A program for the site's files `loaded` on `canvas`; throws a FileError when the browser
// cannot run it.
async function createInstance(loaded, canvas) {
  watchContext(canvas);
  const program = loaded.find((entry) => entry.file.role === 'program');
  let instance;
  try {
    instance = await createQuorvane({
      canvas,
      wasmBinary: program.bytes,
      quorvaneAudio: soundtrack,
      print: (line) => console.log(line),
      printErr: (line) => console.error(line),
      onStartFailed: (reason) => {
        show.failure = reason;
      },
      onShowEnded: showEnded,
      onCatchingUp: (share) => showCatchUp(share, player.target !== null ? player.target : startMs),
      onFrameDrawn: frameDrawn,
      onSeeked: seeked,
      onScene: addScene,
      onStillDrawn: (ms) => {
        document.title = 'quorvane frame ' + ms;
      },
      onCaption: (caption) => {
        document.title = caption;
      },
    });
  } catch {
    throw new FileError(`${program.file.url} is damaged: the browser cannot run it.`);
  }
  instance.FS.mkdir('data');
  for (const { file, bytes } of loaded) {
    if (file.role === 'data') instance.FS.writeFile(file.path, bytes);
  }
  return instance;
}

// The first program, on the page's own canvas.
export async function firstInstance(loaded) {
  show.loaded = loaded;
  return createInstance(loaded, stage());
}

// A fresh program with its own canvas: the show's start-up runs once per program. Null, with
// the card saying why, when the browser will not make one.
export async function newInstance() {
  const old = stage();
  const canvas = old.cloneNode(false);
  old.replaceWith(canvas);
  try {
    return await createInstance(show.loaded, canvas);
  } catch (e) {
    const text = e.message || String(e);
    fail(
      'The show could not start again: ' + text,
      'cannot start the show again: ' + text,
      playButton,
    );
    return null;
  }
}

// Starts the address's show on `instance`; false, with the card saying why, when it could
// not start.
export function start(instance) {
  show.instance = instance;
  show.failure = '';
  show.frames = 0;
  show.elapsedMs = 0;
  soundtrack.resetClock();
  fitCanvas(true);
  // Smooth edges where WebGL offers them; stills keep the golden frames' aliased edges.
  if (isLive) instance._webGlRequestMultisampling(1);
  forgetScenes();
  const status = instance.ccall(
    'quorvaneStart',
    'number',
    ['string', 'number', 'number'],
    [showName, requestedMs, loopShow ? 1 : 0],
  );
  if (status !== 0) {
    // The program has put its line on the console, and handed the page its words.
    const reason = inSiteNames(show.loaded, show.failure);
    fail(
      reason ? 'The show could not start: ' + reason + '.' : 'The show could not start.',
      '',
      isLive ? playButton : null,
    );
    return false;
  }
  show.running = true;
  if (isLive) playerStarted(instance);
  return true;
}

export function stopShow() {
  if (show.running) show.instance._quorvaneStop();
  show.running = false;
  playerEnded();
  soundtrack.stopAll();
}
