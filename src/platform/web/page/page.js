// The page around the show: it loads the program and its data (loading.js) with a progress
// bar on the card (card.js) and decodes the images and the music before it says Ready, then
// starts the show from the Play button (browsers allow sound only after a gesture) in a
// program of its own (program.js), or at once for a still or the benchmark (address.js).
// While the show plays the page is a player (player.js): its bar (bar.js), the keys and
// gestures (keys.js), the system's media controls (media.js) and full screen
// (fullscreen.js). The end card plays the show again in a fresh program.
import { isLive, isStill } from './address.js';
import {
  fail,
  failWithoutWebGl2,
  hideCard,
  hideProgress,
  offerPlay,
  playButton,
  playPressed,
  retryButton,
  showLoading,
} from './card.js';
import { watchBar } from './bar.js';
import { watchKeys } from './keys.js';
import { FileError, hasWebGl2, loadSite } from './loading.js';
import { watchMediaSession } from './media.js';
import { firstInstance, newInstance, show, start, watchStageSize } from './program.js';
import { soundtrack } from './soundtrack.js';
import { offerStatus } from './testhook.js';

const stageBox = document.getElementById('stage-box');
let next = null; // a program loaded and not yet started

// Loads and checks everything: the first program, or null with the card saying why.
async function load() {
  showLoading();
  try {
    const loaded = await loadSite();
    if (!hasWebGl2()) {
      failWithoutWebGl2();
      return null;
    }
    const instance = await firstInstance(loaded);
    hideProgress();
    return instance;
  } catch (e) {
    const text = e instanceof FileError ? e.message : 'The show could not be loaded: ' + e.message;
    fail(text + ' Retry, or reload the page later.', 'cannot load the show: ' + text, retryButton);
    return null;
  }
}

// Offers Play, or runs the still or the benchmark.
async function loadAndOffer() {
  next = await load();
  if (!next) return;
  if (isLive) offerPlay();
  else start(next);
}

async function play() {
  show.playClickedAt = performance.now();
  soundtrack.resume();
  playPressed();
  // The first show's program is ready; a show played again gets a fresh one.
  const current = next || (await newInstance());
  next = null;
  if (!current) return;
  hideCard();
  // The stage takes the keys now: focus stays where the show is.
  stageBox.focus();
  start(current);
}

async function main() {
  if (isStill) document.body.classList.add('still');
  if (typeof WebGL2RenderingContext === 'undefined') {
    failWithoutWebGl2();
    return;
  }
  offerStatus();
  retryButton.addEventListener('click', () => {
    retryButton.disabled = true;
    loadAndOffer();
  });
  playButton.addEventListener('click', play);
  watchKeys();
  watchBar();
  watchMediaSession();
  watchStageSize();
  await loadAndOffer();
}

main();
