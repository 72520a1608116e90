// For the page's tests and the curious: how far the show is, window.quorvaneStatus().
import { player } from './player.js';
import { show } from './program.js';
import { soundtrack } from './soundtrack.js';

export function offerStatus() {
  window.quorvaneStatus = () =>
    show.instance && {
      frames: show.frames,
      elapsedMs: show.elapsedMs,
      firstFrameMs: show.firstFrameAt - show.playClickedAt,
      paused: player.paused,
      seeking: player.target !== null,
      lastSeek: player.lastSeek,
      muted: soundtrack.muted,
      width: document.getElementById('stage').width,
      height: document.getElementById('stage').height,
    };
}
