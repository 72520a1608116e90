// Full screen for the stage (f, a double-click), and leaving it when the show stops.
const stageBox = document.getElementById('stage-box');

export function toggleFullScreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else if (stageBox.requestFullscreen) {
    // Escape would only leave full screen; locked, it reaches the show, which ends on it as
    // natively (holding it leaves full screen).
    stageBox
      .requestFullscreen()
      .then(() => {
        if (navigator.keyboard && navigator.keyboard.lock) {
          return navigator.keyboard.lock(['Escape']);
        }
        return undefined;
      })
      .catch(() => {});
  }
}

export function leaveFullScreen() {
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
}
