// The system's media keys and its player card (the Media Session): play and pause, a seek
// by the system's offset or 10 s, a seek to a moment, and the previous and next scene as
// tracks; the card shows where the show is.
import {
  live,
  onPlayerChange,
  player,
  position,
  seekBy,
  seekTo,
  setPaused,
  stepScene,
} from './player.js';

const kMakers = 'the Quorvane developers';
const kIconSizes = [128, 256]; // icons/quorvane-SIZE.png
const kSeekStepMs = 10000; // a seek without the system's offset

function offsetMs(details) {
  return details.seekOffset ? details.seekOffset * 1000 : kSeekStepMs;
}

function tell() {
  const session = navigator.mediaSession;
  if (!live() || player.lengthMs === 0) return;
  session.playbackState = player.paused ? 'paused' : 'playing';
  try {
    session.setPositionState({
      duration: player.lengthMs / 1000,
      playbackRate: 1,
      position: Math.min(position(), player.lengthMs) / 1000,
    });
  } catch {
    // a browser without position states
  }
}

export function watchMediaSession() {
  const session = navigator.mediaSession;
  if (!session) return;
  session.metadata = new MediaMetadata({
    title: 'Quorvane',
    artist: kMakers,
    artwork: kIconSizes.map((size) => ({
      src: `icons/quorvane-${size}.png`,
      sizes: `${size}x${size}`,
      type: 'image/png',
    })),
  });
  const actions = {
    play: () => setPaused(false),
    pause: () => setPaused(true),
    seekforward: (details) => seekBy(offsetMs(details)),
    seekbackward: (details) => seekBy(-offsetMs(details)),
    seekto: (details) => seekTo(details.seekTime * 1000),
    previoustrack: () => stepScene(-1),
    nexttrack: () => stepScene(1),
  };
  for (const [action, handler] of Object.entries(actions)) {
    try {
      session.setActionHandler(action, handler);
    } catch {
      // an action this browser does not offer
    }
  }
  onPlayerChange((what) => {
    if (what === 'ended') session.playbackState = 'none';
    else tell();
  });
}
