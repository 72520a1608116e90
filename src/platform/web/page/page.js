// The page around the show: loads the program and its data with a progress bar, starts the
// show from the Play button (browsers allow sound only after a gesture), full screen on F
// or a double-click, and an end card that plays the show again in a fresh instance.
// ?at=MS renders the capture program's still for MS; ?bench runs the benchmark.
'use strict';

(() => {
  const kModeLive = 0, kModeStill = 1, kModeBench = 2;

  const params = new URLSearchParams(location.search);
  const mode = params.has('at') ? kModeStill : params.has('bench') ? kModeBench : kModeLive;
  const stageBox = document.getElementById('stage-box');
  const card = document.getElementById('card');
  const message = document.getElementById('message');
  const progress = document.getElementById('progress');
  const play = document.getElementById('play');
  const hint = document.getElementById('hint');

  function say(text) {
    message.textContent = text;
  }

  function fail(text, consoleLine) {
    console.error('quorvane: ' + consoleLine);
    document.body.classList.remove('still');  // a still that failed shows why
    say(text);
    progress.hidden = true;
    play.hidden = true;
    hint.hidden = true;
    card.hidden = false;
    document.title = 'Quorvane: ' + text;
  }

  function hasWebGl2() {
    try {
      return document.createElement('canvas').getContext('webgl2') !== null;
    } catch (e) {
      return false;
    }
  }

  // Fetches every file of the manifest, counting the bytes as they come.
  async function loadFiles(manifest) {
    const total = manifest.files.reduce((sum, file) => sum + file.bytes, 0);
    let received = 0;
    const show = () => {
      // The sizes are those the manifest was written with; a file changed since stays in bounds.
      progress.value = total > 0 ? Math.min(1, received / total) : 1;
      say('Loading… ' + Math.floor(100 * progress.value) + ' %');
    };
    return Promise.all(manifest.files.map(async (file) => {
      const response = await fetch(file.url);
      if (!response.ok) throw new Error(file.url + ': ' + response.status + ' ' + response.statusText);
      const reader = response.body.getReader();
      const chunks = [];
      for (;;) {
        const {done, value} = await reader.read();
        if (done) break;
        chunks.push(value);
        received += value.length;
        show();
      }
      const bytes = new Uint8Array(chunks.reduce((sum, chunk) => sum + chunk.length, 0));
      let at = 0;
      for (const chunk of chunks) {
        bytes.set(chunk, at);
        at += chunk.length;
      }
      return {file, bytes};
    }));
  }

  // A fresh program with its own canvas: the show's start-up runs once per program.
  async function newInstance(loaded) {
    const old = document.getElementById('stage');
    const canvas = document.createElement('canvas');
    canvas.width = old.width;
    canvas.height = old.height;
    old.replaceWith(canvas);
    canvas.id = 'stage';
    return createInstance(loaded, canvas);
  }

  async function createInstance(loaded, canvas) {
    const program = loaded.find((entry) => entry.file.role === 'program');
    const instance = await createQuorvane({
      canvas,
      wasmBinary: program.bytes,
      print: (line) => console.log(line),
      printErr: (line) => console.error(line),
      onShowEnded: showEndCard,
    });
    instance.FS.mkdir('data');
    for (const {file, bytes} of loaded) {
      if (file.role === 'data') instance.FS.writeFile(file.path, bytes);
    }
    return instance;
  }

  function start(instance) {
    showing = instance;
    const status = instance._quorvaneStart(mode, mode === kModeStill ? Number(params.get('at')) | 0 : 0);
    if (status !== 0) {
      fail('The show could not start (the console says why).', 'the show did not start');
      return false;
    }
    return true;
  }

  let loadedFiles = null;
  let showing = null;  // the program whose show runs or ran last
  let playClickedAt = 0;  // performance clock at the last click on Play

  // For the page's tests and the curious: how far the show is.
  window.quorvaneStatus = () => showing && {
    frames: showing.showFrames || 0,
    elapsedMs: showing.showElapsed || 0,
    firstFrameMs: showing.firstFrameAt - playClickedAt,
  };

  function showEndCard() {
    if (document.fullscreenElement) document.exitFullscreen();
    say('The show has ended.');
    play.textContent = 'Play again';
    play.hidden = false;
    play.disabled = false;
    card.hidden = false;
    play.focus();
  }

  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else if (stageBox.requestFullscreen) {
      // Escape would only leave full screen; locked, it reaches the show, which ends on
      // it as natively (holding it leaves full screen).
      stageBox.requestFullscreen().then(() => {
        if (navigator.keyboard && navigator.keyboard.lock) {
          return navigator.keyboard.lock(['Escape']);
        }
        return undefined;
      }).catch(() => {});
    }
  }

  async function main() {
    if (mode === kModeStill) document.body.classList.add('still');
    if (!hasWebGl2()) {
      fail('This page needs WebGL 2, which this browser does not offer. ' +
           'A current Firefox, Chrome, Edge or Safari has it.', 'this browser offers no WebGL 2');
      return;
    }
    let instance;
    try {
      const response = await fetch('manifest.json');
      if (!response.ok) throw new Error('manifest.json: ' + response.status);
      loadedFiles = await loadFiles(await response.json());
      instance = await createInstance(loadedFiles, document.getElementById('stage'));
    } catch (e) {
      fail('The show could not be loaded: ' + e.message, 'cannot load the show: ' + e.message);
      return;
    }
    progress.hidden = true;
    if (mode !== kModeLive) {
      start(instance);
      return;
    }
    say('Ready.');
    play.hidden = false;
    play.focus();
    let next = instance;
    play.addEventListener('click', async () => {
      playClickedAt = performance.now();
      play.disabled = true;
      // The first show's program is ready; a show played again gets a fresh one.
      const current = next || await newInstance(loadedFiles);
      next = null;
      card.hidden = true;
      start(current);
    });
    stageBox.addEventListener('dblclick', toggleFullScreen);
    window.addEventListener('keydown', (event) => {
      if ((event.key === 'f' || event.key === 'F') && !event.repeat && !event.ctrlKey &&
          !event.metaKey && !event.altKey) toggleFullScreen();
    });
  }

  main();
})();
