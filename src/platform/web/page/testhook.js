// For the page's tests and the curious: how far the show is, window.quorvaneStatus().
import { previewShown } from './bar.js';
import { player } from './player.js';
import { show } from './program.js';
import { soundtrack } from './soundtrack.js';

export function offerStatus() {
  // The snapshot seeks' control: every snapshot's random sequence one draw off the show's.
  window.quorvaneTest = {
    corruptSnapshots: () => player.instance && player.instance._quorvaneCorruptSnapshots(),
  };
  window.quorvaneStatus = () =>
    show.instance && {
      frames: show.frames,
      elapsedMs: show.elapsedMs,
      firstFrameMs: show.firstFrameAt - show.playClickedAt,
      paused: player.paused,
      seeking: player.target !== null,
      lastSeek: player.lastSeek,
      muted: soundtrack.muted,
      seeksDrawn: player.seeksDrawn,
      snapshots: player.instance && {
        count: player.instance._quorvaneSnapshotCount(),
        slots: player.instance._quorvaneSnapshotSlots(),
        bytes: player.instance._quorvaneSnapshotBytes(),
      },
      preview: previewShown(),
      width: document.getElementById('stage').width,
      height: document.getElementById('stage').height,
    };
}
