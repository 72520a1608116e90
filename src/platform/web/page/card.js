// The card over the stage: loading, Ready and Play, the progress of a seek that takes a
// while, the end card with its link to the moment, and every failure, said in words that
// name the file and what to do, with Retry or Play again where they can help. Status goes to
// the polite live region, failures to the alert.
import { momentLink } from './address.js';
import { leaveFullScreen } from './fullscreen.js';

const card = document.getElementById('card');
const message = document.getElementById('message');
const problem = document.getElementById('problem');
const progress = document.getElementById('progress');
const hint = document.getElementById('hint');
const share = document.getElementById('share');
const shareLink = document.getElementById('share-link');
export const playButton = document.getElementById('play');
export const retryButton = document.getElementById('retry');

// What the card says now.
export const cardState = {
  failed: false, // a failure is on it: loading stops saying more
};

export function say(text) {
  problem.hidden = true;
  message.hidden = false;
  message.textContent = text;
}

// The card says what went wrong and offers `action` (Retry or Play again); the console gets
// `consoleLine` after "quorvane: ", unless the program has written its own.
export function fail(text, consoleLine, action) {
  cardState.failed = true;
  if (consoleLine) console.error('quorvane: ' + consoleLine);
  document.body.classList.remove('still'); // a still that failed shows why
  leaveFullScreen();
  message.hidden = true;
  problem.hidden = false;
  problem.textContent = text;
  progress.hidden = true;
  hint.hidden = true;
  share.hidden = true;
  playButton.hidden = action !== playButton;
  retryButton.hidden = action !== retryButton;
  if (action) {
    action.disabled = false;
    if (action === playButton) playButton.textContent = 'Play again';
  }
  card.hidden = false;
  document.title = 'Quorvane: ' + text;
  if (action) action.focus();
}

export function failWithoutWebGl2() {
  fail(
    'This page needs WebGL 2, which this browser does not offer. ' +
      'A current Firefox, Chrome, Edge or Safari has it.',
    'this browser offers no WebGL 2',
  );
}

export function showLoading() {
  cardState.failed = false;
  retryButton.hidden = true;
  playButton.hidden = true;
  progress.hidden = false;
  progress.value = 0;
  say('Loading…');
}

// The downloads' share of the bytes, 0 to 1.
export function showLoaded(share) {
  if (cardState.failed) return;
  progress.value = share;
  say('Loading… ' + Math.floor(100 * share) + ' %');
}

export function hideProgress() {
  progress.hidden = true;
}

export function offerPlay() {
  progress.hidden = true;
  say('Ready.');
  hint.hidden = false;
  playButton.hidden = false;
  playButton.disabled = false;
  playButton.textContent = 'Play';
  playButton.focus();
}

// Play was pressed: the card waits for the program, then gives way to the show.
export function playPressed() {
  playButton.disabled = true;
  share.hidden = true;
}

export function hideCard() {
  progress.hidden = true;
  card.hidden = true;
}

// Running frames ahead to `moment` takes a while: the card says how far it is.
export function showCatchUp(share, moment) {
  if (share >= 1) {
    hideCard();
    return;
  }
  card.hidden = false;
  playButton.hidden = true;
  progress.hidden = false;
  progress.value = share;
  say('Finding ' + (moment / 1000).toFixed(1) + ' s… ' + Math.floor(100 * share) + ' %');
}

export function showEndCard(elapsedMs, lengthMs) {
  leaveFullScreen();
  say('The show has ended.');
  if (elapsedMs < lengthMs) {
    shareLink.href = momentLink(elapsedMs);
    shareLink.textContent = 'the show at ' + (elapsedMs / 1000).toFixed(1) + ' s';
    share.hidden = false;
  }
  playButton.textContent = 'Play again';
  playButton.hidden = false;
  playButton.disabled = false;
  card.hidden = false;
  playButton.focus();
}
