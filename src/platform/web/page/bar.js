// The player's bar: the pause button, the timeline of the scenes (a slider for the keyboard,
// clicked or dragged to seek) and the clock. It shows while the pointer moves or it has the
// focus, and hides while the show plays untouched.
import {
  live,
  onPlayerChange,
  player,
  position,
  sceneAt,
  seekBy,
  seekTo,
  setPaused,
  togglePaused,
} from './player.js';

const kControlsIdleMs = 2500; // the bar hides this long after the pointer last moved
// The slider's own steps: the arrows', and Page Up and Page Down's larger one.
const kSliderStepMs = 5000;
const kSliderPageMs = 10000;

const stageBox = document.getElementById('stage-box');
const controls = document.getElementById('controls');
const toggle = document.getElementById('toggle');
const timeline = document.getElementById('timeline');
const played = document.getElementById('played');
const clock = document.getElementById('clock');
const preview = document.getElementById('preview');
const previewPicture = document.getElementById('preview-picture');
const previewText = document.getElementById('preview-text');

const bar = {
  dragging: false, // the pointer holds the timeline
  pausedByDrag: false,
  idleTimer: 0,
  ticking: false, // the bar follows the show, once per animation frame
  dragMs: 0, // where the drag is: the next animation frame seeks there
  dragInputAt: 0, // that input's time
  dragFrame: 0, // the animation frame asked for the drag's seek, or 0
  storyboard: null, // the previews' sheet and layout (storyboard.json), once fetched
};

function clockText(ms) {
  const seconds = Math.floor(ms / 1000);
  return Math.floor(seconds / 60) + ':' + String(seconds % 60).padStart(2, '0');
}

// The bar's picture of the moment, and the slider's value for a screen reader.
function showPosition() {
  if (!live() || player.lengthMs === 0) return;
  const ms = position();
  played.style.width = 100 * Math.min(1, ms / player.lengthMs) + '%';
  const scene = sceneAt(ms);
  const seconds = (ms / 1000).toFixed(1);
  timeline.setAttribute('aria-valuenow', seconds);
  timeline.setAttribute('aria-valuetext', seconds + ' s' + (scene ? ', ' + scene.name : ''));
  clock.textContent = clockText(ms) + ' / ' + clockText(player.lengthMs);
}

function showPaused() {
  toggle.textContent = player.paused ? '▶' : '❚❚';
  toggle.setAttribute('aria-label', player.paused ? 'Play' : 'Pause');
}

function markScenes() {
  timeline.querySelectorAll('.scene').forEach((mark) => mark.remove());
  for (const scene of player.scenes) {
    const mark = document.createElement('span');
    mark.className = 'scene';
    mark.textContent = scene.name;
    mark.style.left = (100 * scene.start) / player.lengthMs + '%';
    mark.style.width = (100 * (scene.end - scene.start)) / player.lengthMs + '%';
    mark.title = scene.name;
    timeline.appendChild(mark);
  }
  timeline.setAttribute('aria-valuemax', (player.lengthMs / 1000).toFixed(1));
}

// The bar follows the show only while it can be seen.
function tick() {
  if (controls.hidden || controls.classList.contains('idle')) {
    bar.ticking = false;
    return;
  }
  showPosition();
  requestAnimationFrame(tick);
}

export function revealControls() {
  if (!live()) return;
  controls.classList.remove('idle');
  if (!bar.ticking) {
    bar.ticking = true;
    requestAnimationFrame(tick);
  }
  clearTimeout(bar.idleTimer);
  bar.idleTimer = setTimeout(hideControlsIfIdle, kControlsIdleMs);
}

// Hidden while the show plays untouched; kept while paused, held or focused.
function hideControlsIfIdle() {
  if (
    player.paused ||
    bar.dragging ||
    controls.contains(document.activeElement) ||
    controls.matches(':hover')
  ) {
    bar.idleTimer = setTimeout(hideControlsIfIdle, kControlsIdleMs);
    return;
  }
  controls.classList.add('idle');
}

// A tap on a touch screen shows the bar, or hides it at once.
export function toggleControls() {
  if (!live()) return;
  if (controls.classList.contains('idle')) {
    revealControls();
  } else {
    clearTimeout(bar.idleTimer);
    controls.classList.add('idle');
  }
}

export function controlsHold(element) {
  return controls.contains(element);
}

function timelineMs(event) {
  const box = timeline.getBoundingClientRect();
  return ((event.clientX - box.left) / box.width) * player.lengthMs;
}

// The storyboard's layout, fetched the first time a preview is wanted; null until then, or
// when the site has none.
function storyboard() {
  if (bar.storyboard === null) {
    bar.storyboard = fetch('storyboard.json')
      .then((response) => (response.ok ? response.json() : null))
      .then((layout) => {
        if (layout) previewPicture.style.backgroundImage = `url("${layout.url}")`;
        bar.storyboard = layout || false;
        return layout;
      })
      .catch(() => {
        bar.storyboard = false;
      });
  }
  return bar.storyboard instanceof Promise ? null : bar.storyboard;
}

// Over the pointer: a small picture of the moment under it, its time and its scene.
function showPreview(event) {
  const layout = storyboard();
  const ms = Math.max(0, Math.min(player.lengthMs - 1, timelineMs(event)));
  const scene = sceneAt(ms);
  previewText.textContent = (ms / 1000).toFixed(1) + ' s' + (scene ? ' · ' + scene.name : '');
  previewPicture.hidden = !layout;
  if (layout) {
    const tiles = Math.ceil(player.lengthMs / layout.everyMs);
    const tile = Math.min(tiles - 1, Math.floor(ms / layout.everyMs));
    const x = (tile % layout.columns) * layout.width;
    const y = Math.floor(tile / layout.columns) * layout.height;
    previewPicture.style.width = layout.width + 'px';
    previewPicture.style.height = layout.height + 'px';
    previewPicture.style.backgroundPosition = `-${x}px -${y}px`;
    previewPicture.dataset.tile = tile;
  }
  preview.hidden = false;
  const box = controls.getBoundingClientRect();
  const half = preview.offsetWidth / 2;
  const left = Math.max(0, Math.min(box.width - 2 * half, event.clientX - box.left - half));
  preview.style.left = left + 'px';
}

function hidePreview() {
  preview.hidden = true;
}

// What the preview shows, for the tests: its text and tile, or null while hidden.
export function previewShown() {
  if (preview.hidden) return null;
  return { text: previewText.textContent, tile: Number(previewPicture.dataset.tile) };
}

// A drag seeks once per animation frame, to where the pointer is by then: the picture
// follows the pointer as fast as frames can be drawn, and never falls behind it.
function dragTo(event) {
  bar.dragMs = timelineMs(event);
  bar.dragInputAt = event.timeStamp;
  if (bar.dragFrame === 0) bar.dragFrame = requestAnimationFrame(dragSeek);
}

function dragSeek() {
  bar.dragFrame = 0;
  seekTo(bar.dragMs, bar.dragInputAt);
}

// The slider's keys keep their meaning on it: a step, a page, the ends.
function sliderKey(event) {
  const steps = {
    ArrowLeft: -kSliderStepMs,
    ArrowDown: -kSliderStepMs,
    ArrowRight: kSliderStepMs,
    ArrowUp: kSliderStepMs,
    PageDown: -kSliderPageMs,
    PageUp: kSliderPageMs,
  };
  if (!live() || event.ctrlKey || event.metaKey || event.altKey) return;
  if (steps[event.key] !== undefined) seekBy(steps[event.key], event.timeStamp);
  else if (event.key === 'Home') seekTo(0, event.timeStamp);
  else if (event.key === 'End') seekTo(player.lengthMs, event.timeStamp);
  else return;
  event.preventDefault(); // the page's keys leave it alone
  revealControls();
}

export function watchBar() {
  timeline.addEventListener('pointerdown', (event) => {
    if (!live() || event.button !== 0) return;
    timeline.setPointerCapture(event.pointerId);
    bar.dragging = true;
    // The music stays quiet while the picture is dragged about.
    bar.pausedByDrag = !player.paused;
    if (bar.pausedByDrag) setPaused(true);
    seekTo(timelineMs(event), event.timeStamp);
  });
  timeline.addEventListener('pointermove', (event) => {
    if (bar.dragging) dragTo(event);
    if (bar.dragging || event.pointerType !== 'touch') showPreview(event);
  });
  timeline.addEventListener('pointerleave', () => {
    if (!bar.dragging) hidePreview();
  });
  const release = (event) => {
    if (!bar.dragging) return;
    bar.dragging = false;
    // The last position is sought before the music goes on from it.
    if (bar.dragFrame !== 0) {
      cancelAnimationFrame(bar.dragFrame);
      dragSeek();
    }
    if (event.pointerType === 'touch' || !timeline.matches(':hover')) hidePreview();
    if (bar.pausedByDrag) setPaused(false);
  };
  timeline.addEventListener('pointerup', release);
  timeline.addEventListener('pointercancel', release);
  timeline.addEventListener('keydown', sliderKey);
  controls.addEventListener('focusin', revealControls);
  stageBox.addEventListener('pointermove', (event) => {
    if (event.pointerType !== 'touch') revealControls();
  });
  toggle.addEventListener('click', togglePaused);
  onPlayerChange((what) => {
    if (what === 'started') {
      markScenes();
      controls.hidden = false;
      controls.classList.add('idle');
      showPaused();
    } else if (what === 'ended') {
      controls.hidden = true;
      hidePreview();
      bar.dragging = false;
      clearTimeout(bar.idleTimer);
    } else if (what === 'paused') {
      showPaused();
      revealControls();
    } else {
      showPosition();
    }
  });
}
