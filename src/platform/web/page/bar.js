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

const bar = {
  dragging: false, // the pointer holds the timeline
  pausedByDrag: false,
  idleTimer: 0,
  ticking: false, // the bar follows the show, once per animation frame
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
    if (bar.dragging) seekTo(timelineMs(event), event.timeStamp);
  });
  const release = () => {
    if (!bar.dragging) return;
    bar.dragging = false;
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
