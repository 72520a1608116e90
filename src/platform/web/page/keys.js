// The keys and gestures viewers know from the players they use every day. While the show
// plays: k or Space pause and resume; j and l go 10 s back or on, ← and → 5 s; Home and End
// go to the ends, 0 to 9 to 0 to 90 %; , and . step one frame back or on while paused; Page
// Up and Page Down (or Shift+P and Shift+N) go to the previous and next scene; m mutes; ?
// shows the list of keys. f toggles full screen at any time. A click on the picture pauses
// or resumes and a double-click toggles full screen; on a touch screen a tap shows or hides
// the bar and a double tap on the left or right third goes 10 s back or on. Keys typed into
// a control keep their meaning there (the slider's are bar.js's, a button's its own).
import { controlsHold, revealControls, toggleControls } from './bar.js';
import { toggleFullScreen } from './fullscreen.js';
import {
  endPaused,
  live,
  onPlayerChange,
  player,
  seekBy,
  seekTo,
  seekToShare,
  stepFrame,
  stepScene,
  togglePaused,
} from './player.js';
import { soundtrack } from './soundtrack.js';

const kShortSeekMs = 5000; // ← and →
const kLongSeekMs = 10000; // j and l, and a double tap
const kDigitShare = 0.1; // 0 to 9: tenths of the show
const kDoubleTapMs = 300; // two taps this close are a double tap
const kThirds = 3;

const stageBox = document.getElementById('stage-box');
const keyList = document.getElementById('keys');

// What each key does while the show plays, by KeyboardEvent.key.
const kPlayerKeys = {
  ' ': () => togglePaused(),
  k: () => togglePaused(),
  j: (at) => seekBy(-kLongSeekMs, at),
  l: (at) => seekBy(kLongSeekMs, at),
  ArrowLeft: (at) => seekBy(-kShortSeekMs, at),
  ArrowRight: (at) => seekBy(kShortSeekMs, at),
  Home: (at) => seekTo(0, at),
  End: (at) => seekTo(player.lengthMs, at),
  ',': (at) => stepFrame(-1, at),
  '.': (at) => stepFrame(1, at),
  PageUp: (at) => stepScene(-1, at),
  PageDown: (at) => stepScene(1, at),
  P: (at) => stepScene(-1, at),
  N: (at) => stepScene(1, at),
  m: () => soundtrack.setMuted(!soundtrack.muted),
  '?': () => showKeyList(keyList.hidden),
};
// Held down, these would only toggle back and forth.
const kToggles = new Set([' ', 'k', 'm', '?']);

function showKeyList(shown) {
  keyList.hidden = !shown;
}

function playerKey(event) {
  if (event.defaultPrevented || event.ctrlKey || event.metaKey || event.altKey) return;
  if (event.key === 'f' || event.key === 'F') {
    if (!event.repeat) toggleFullScreen();
    return;
  }
  if (!live()) return;
  // A button's own keys press it.
  const onButton = event.target instanceof HTMLButtonElement;
  if (onButton && (event.key === ' ' || event.key === 'Enter')) return;
  if (event.key === 'Escape') {
    if (!keyList.hidden) showKeyList(false);
    else endPaused(); // playing, the show sees Escape itself
    return;
  }
  const digit = /^[0-9]$/.test(event.key) ? Number(event.key) : null;
  const action =
    digit !== null ? (at) => seekToShare(digit * kDigitShare, at) : kPlayerKeys[event.key];
  if (!action) return;
  event.preventDefault();
  if (event.repeat && kToggles.has(event.key)) return;
  action(event.timeStamp);
  if (event.key !== '?' && event.key !== 'm') revealControls();
}

// Where a click sequence began: a double-click whose first click pressed another element
// (Play, which gives way to the stage at once) is no double-click on the stage.
const gesture = { startedOn: null, touch: false, lastTap: null };

function watchStage() {
  window.addEventListener(
    'pointerdown',
    (event) => {
      gesture.touch = event.pointerType === 'touch';
    },
    true,
  );
  window.addEventListener(
    'mousedown',
    (event) => {
      if (event.detail <= 1) gesture.startedOn = event.target;
    },
    true,
  );
  const ownClick = (event) => !gesture.touch && gesture.startedOn === event.target;
  // A click on the picture pauses or resumes (a double-click, full screen, does both).
  stageBox.addEventListener('click', (event) => {
    if (event.target.id === 'stage' && ownClick(event)) togglePaused();
  });
  stageBox.addEventListener('dblclick', (event) => {
    if (!controlsHold(event.target) && ownClick(event)) toggleFullScreen();
  });
  stageBox.addEventListener('pointerup', (event) => {
    if (event.pointerType !== 'touch' || event.target.id !== 'stage' || !live()) return;
    const box = event.target.getBoundingClientRect();
    const third = Math.min(
      kThirds - 1,
      Math.floor((kThirds * (event.clientX - box.left)) / box.width),
    );
    const last = gesture.lastTap;
    const double = last && event.timeStamp - last.at < kDoubleTapMs && last.third === third;
    if (double && third !== 1) {
      seekBy(third === 0 ? -kLongSeekMs : kLongSeekMs, event.timeStamp);
      revealControls();
      gesture.lastTap = null;
    } else {
      toggleControls();
      gesture.lastTap = { at: event.timeStamp, third };
    }
  });
}

export function watchKeys() {
  window.addEventListener('keydown', playerKey);
  keyList.addEventListener('click', () => showKeyList(false));
  onPlayerChange((what) => {
    if (what === 'ended') showKeyList(false);
  });
  watchStage();
}
