// The page around the show: loads the program and its data with a progress bar and decodes
// the images and the music before it says Ready, starts the show from the Play button
// (browsers allow sound only after a gesture), full screen on F or a double-click, a
// drawing buffer as sharp as the screen, a lost graphics context survived, and an end card
// that plays the show again in a fresh instance and offers a link to the moment it ended.
// Every failure is said on the card, naming the file, with a Retry button. While it plays,
// the page is a player: Space, a click on the stage, the bar's button and the media keys
// pause and resume; ← → seek 5 s, Home to the start; the bar's timeline of the scenes seeks
// where it is clicked or dragged.
// ?at=MS renders the capture program's still for MS; ?bench runs the benchmark;
// ?t=SECONDS starts the show, after Play, at that moment; ?loop plays it again and again.
'use strict';

(() => {
  const kModeLive = 0, kModeStill = 1, kModeBench = 2, kModeBenchSkipped = 3;
  // The drawing buffer: 4:3, at most what the capture's largest size draws.
  const kAspectWidth = 4, kAspectHeight = 3, kMaxBufferWidth = 2880;
  const kStillWidth = 800, kStillHeight = 600;  // ?at= keeps the golden frames' size
  // How long a lost graphics context may stay lost before the page gives up on it.
  const kRestoreWaitMs = 3000;
  // How long the browser may take to decode the music before it counts as damaged.
  const kDecodeWaitMs = 20000;
  const kNoValue = -1;  // a ?at= or ?t= that is no number: the program says what it takes
  const kSeekStepMs = 5000;       // ← and →, and the media keys' seek without an offset
  const kControlsIdleMs = 2500;   // the bar hides this long after the pointer last moved
  const kMakers = 'the Quorvane developers';
  const kIconSizes = [128, 256];  // icons/quorvane-SIZE.png

  const params = new URLSearchParams(location.search);
  // ?bench=skip times the frames run without drawing; ?bench=WxH draws at that size.
  const benchValue = params.get('bench');
  const mode = params.has('at') ? kModeStill
             : benchValue === 'skip' ? kModeBenchSkipped
             : benchValue !== null ? kModeBench : kModeLive;
  const benchSize = /^(\d+)x(\d+)$/.exec(benchValue || '');
  const stageBox = document.getElementById('stage-box');
  const card = document.getElementById('card');
  const message = document.getElementById('message');
  const problem = document.getElementById('problem');
  const progress = document.getElementById('progress');
  const play = document.getElementById('play');
  const retry = document.getElementById('retry');
  const hint = document.getElementById('hint');
  const share = document.getElementById('share');
  const shareLink = document.getElementById('share-link');
  const controls = document.getElementById('controls');
  const toggle = document.getElementById('toggle');
  const timeline = document.getElementById('timeline');
  const played = document.getElementById('played');
  const clock = document.getElementById('clock');
  const loopShow = params.has('loop');

  // ?at=MS in whole ms, ?t=SECONDS in ms; kNoValue when not a number.
  function msParameter(name, scale) {
    const text = params.get(name);
    if (text === null) return 0;
    if (!/^\d+(\.\d+)?$/.test(text.trim())) return kNoValue;
    return Math.round(Number(text) * scale);
  }
  const stillMs = mode === kModeStill ? msParameter('at', 1) : 0;
  const startMs = mode === kModeLive ? msParameter('t', 1000) : 0;
  const benchUntilMs = Math.max(0, msParameter('until', 1));  // ?bench&until=MS: its first MS

  const soundtrack = new Soundtrack();
  let loadedFiles = null;   // {file, bytes} of every file in the manifest
  let showing = null;       // the program whose show runs or ran last
  let playClickedAt = 0;    // performance clock at the last click on Play
  let lastProgramLine = ''; // the program's last "quorvane: " line on stderr
  let restoreTimer = 0;     // the wait for a lost context to come back
  let failed = false;       // a failure is on the card; loading stops saying more

  // Status goes to the polite live region, failures to the alert.
  function say(text) {
    problem.hidden = true;
    message.hidden = false;
    message.textContent = text;
  }

  // The card says what went wrong and offers `action` (Retry or Play again).
  function fail(text, consoleLine, action) {
    failed = true;
    if (consoleLine) console.error('quorvane: ' + consoleLine);
    document.body.classList.remove('still');  // a still that failed shows why
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    message.hidden = true;
    problem.hidden = false;
    problem.textContent = text;
    progress.hidden = true;
    hint.hidden = true;
    share.hidden = true;
    play.hidden = action !== play;
    retry.hidden = action !== retry;
    if (action) {
      action.disabled = false;
      if (action === play) play.textContent = 'Play again';
    }
    card.hidden = false;
    document.title = 'Quorvane: ' + text;
    if (action) action.focus();
  }

  function failWithoutWebGl2() {
    fail('This page needs WebGL 2, which this browser does not offer. ' +
         'A current Firefox, Chrome, Edge or Safari has it.', 'this browser offers no WebGL 2');
  }

  // Making a first context can take seconds (a graphics process starting), so it is tried
  // once the downloads are under way.
  function hasWebGl2() {
    try {
      return document.createElement('canvas').getContext('webgl2') !== null;
    } catch (e) {
      return false;
    }
  }

  // Words for a browser's reader about a download that failed.
  class FileError extends Error {}

  function downloadError(url, response) {
    const why = response.status === 404
      ? 'the server does not have it (404 Not Found)'
      : `the server answered ${response.status} ${response.statusText}`;
    return new FileError(`${url} could not be downloaded: ${why}.`);
  }

  // Fetches every file of the manifest, counting the bytes as they come, and checks each
  // as it is in. The first failure stops the others.
  async function loadFiles(manifest) {
    const total = manifest.files.reduce((sum, file) => sum + file.bytes, 0);
    const abort = new AbortController();
    let received = 0;
    const show = () => {
      if (failed) return;
      // The sizes are those the manifest was written with; a file changed since stays in bounds.
      progress.value = total > 0 ? Math.min(1, received / total) : 1;
      say('Loading… ' + Math.floor(100 * progress.value) + ' %');
    };
    const one = async (file) => {
      let response;
      try {
        response = await fetch(file.url, {signal: abort.signal, cache: 'no-cache'});
      } catch (e) {
        throw new FileError(`${file.url} could not be downloaded: the connection failed.`);
      }
      if (!response.ok) throw downloadError(file.url, response);
      const reader = response.body.getReader();
      const chunks = [];
      for (;;) {
        let part;
        try {
          part = await reader.read();
        } catch (e) {
          throw new FileError(`${file.url} could not be downloaded: the connection broke off.`);
        }
        if (part.done) break;
        chunks.push(part.value);
        received += part.value.length;
        show();
      }
      const bytes = new Uint8Array(chunks.reduce((sum, chunk) => sum + chunk.length, 0));
      let at = 0;
      for (const chunk of chunks) {
        bytes.set(chunk, at);
        at += chunk.length;
      }
      await checkFile({file, bytes});
      return {file, bytes};
    };
    try {
      return await Promise.all(manifest.files.map(one));
    } finally {
      abort.abort();
    }
  }

  // Decodes an image or the music as the show will need it, as soon as it is in, so that
  // a damaged file is found now and not after Play.
  async function checkFile({file, bytes}) {
    if (file.role !== 'data') return;
    if (/\.png$/.test(file.url)) {
      try {
        const image = await createImageBitmap(new Blob([bytes], {type: 'image/png'}));
        image.close();
      } catch (e) {
        throw new FileError(`${file.url} is damaged: the browser cannot read it as an image.`);
      }
    } else if (/\.mp3$/.test(file.url) && mode === kModeLive) {
      // Opened now rather than at once: starting the browser's audio can take a moment.
      if (!soundtrack.context) soundtrack.open();
      try {
        await answeredWithin(soundtrack.decode(file.path, bytes), kDecodeWaitMs);
      } catch (e) {
        throw new FileError(`${file.url} is damaged: the browser cannot decode it as music.`);
      }
    }
  }

  // A decoder that never answers must not leave the card at "Loading…": past `ms`, its
  // silence counts as a refusal.
  function answeredWithin(promise, ms) {
    let timer = 0;
    const silence = new Promise((resolve, reject) => {
      timer = setTimeout(() => reject(new Error('no answer')), ms);
    });
    return Promise.race([promise, silence]).finally(() => clearTimeout(timer));
  }

  // The drawing buffer for the canvas's displayed 4:3 picture in device pixels.
  function bufferSize(canvas) {
    if (mode === kModeBench && benchSize) return [Number(benchSize[1]), Number(benchSize[2])];
    if (mode !== kModeLive) return [kStillWidth, kStillHeight];
    const ratio = window.devicePixelRatio || 1;
    const box = canvas.getBoundingClientRect();
    const unit = Math.floor(Math.min(box.width * ratio / kAspectWidth,
                                     box.height * ratio / kAspectHeight));
    const units = Math.max(1, Math.min(kMaxBufferWidth / kAspectWidth, unit));
    return [units * kAspectWidth, units * kAspectHeight];
  }

  // Gives the show a drawing buffer as sharp as the canvas is shown (`always`: also when
  // the canvas has that size already, for a program that has not been told).
  function fitCanvas(always) {
    const canvas = document.getElementById('stage');
    const [width, height] = bufferSize(canvas);
    if (showing && (always === true || canvas.width !== width || canvas.height !== height)) {
      showing._webGlSetDrawingBufferSize(width, height);
    }
  }

  // A lost context: the show goes on without a picture and gets it back on restore.
  function watchContext(canvas) {
    canvas.addEventListener('webglcontextlost', (event) => {
      event.preventDefault();  // without it, the browser never gives the context back
      if (showing) showing._webGlContextLost();
      clearTimeout(restoreTimer);
      restoreTimer = setTimeout(() => {
        giveUpOnContext('The graphics card stopped drawing the show and did not come back.',
                        'the WebGL context was lost and not restored');
      }, kRestoreWaitMs);
    });
    canvas.addEventListener('webglcontextrestored', () => {
      clearTimeout(restoreTimer);
      // A context given back that cannot be drawn with is no better than none; the program
      // has said why on the console.
      if (showing && showing._webGlContextRestored() !== 0) {
        giveUpOnContext('The graphics card came back but cannot draw the show.', '');
      }
    });
  }

  function giveUpOnContext(text, consoleLine) {
    if (!showing || !showing.showRunning) return;
    stopShow();
    fail(text, consoleLine, play);
  }

  // A fresh program with its own canvas: the show's start-up runs once per program.
  // Null, with the card saying why, when the browser will not make one.
  async function newInstance(loaded) {
    const old = document.getElementById('stage');
    const canvas = old.cloneNode(false);
    old.replaceWith(canvas);
    try {
      return await createInstance(loaded, canvas);
    } catch (e) {
      const text = e.message || String(e);
      fail('The show could not start again: ' + text, 'cannot start the show again: ' + text, play);
      return null;
    }
  }

  async function createInstance(loaded, canvas) {
    watchContext(canvas);
    const program = loaded.find((entry) => entry.file.role === 'program');
    let instance;
    try {
      instance = await createQuorvane({
        canvas,
        wasmBinary: program.bytes,
        quorvaneAudio: soundtrack,
        print: (line) => console.log(line),
        printErr: (line) => {
          if (line.startsWith('quorvane: ')) lastProgramLine = line.slice('quorvane: '.length);
          console.error(line);
        },
        onShowEnded: showEndCard,
        onCatchingUp: showCatchUp,
        onFrameDrawn: frameDrawn,
        onSeeked: seeked,
        onScene: addScene,
        onStillDrawn: (ms) => { document.title = 'quorvane frame ' + ms; },
        onCaption: (caption) => { document.title = caption; },
      });
    } catch (e) {
      throw new FileError(`${program.file.url} is damaged: the browser cannot run it.`);
    }
    instance.FS.mkdir('data');
    for (const {file, bytes} of loaded) {
      if (file.role === 'data') instance.FS.writeFile(file.path, bytes);
    }
    return instance;
  }

  // The program's own words for why the show did not start, without the native hint
  // about folders.
  function startFailure() {
    const reason = lastProgramLine.replace(/ \(run quorvane from the folder[^)]*\)/, '')
                                  .replace(/\.bmp\b/g, '.png');
    return reason ? 'The show could not start: ' + reason + '.' : 'The show could not start.';
  }

  function start(instance) {
    showing = instance;
    lastProgramLine = '';
    soundtrack.resetClock();
    fitCanvas(true);
    // Smooth edges where WebGL offers them; stills keep the golden frames' aliased edges.
    if (mode === kModeLive) instance._webGlRequestMultisampling(1);
    const requested = mode === kModeStill ? stillMs : mode === kModeLive ? startMs : benchUntilMs;
    player.scenes = [];
    const status = instance._quorvaneStart(mode, requested, loopShow ? 1 : 0);
    if (status !== 0) {
      // The program has put its line on the console.
      fail(startFailure(), '', mode === kModeLive ? play : null);
      return false;
    }
    instance.showRunning = true;
    if (mode === kModeLive) playerStarted();
    return true;
  }

  function stopShow() {
    if (showing && showing.showRunning) showing._quorvaneStop();
    if (showing) showing.showRunning = false;
    playerEnded();
    soundtrack.stopAll();
  }

  // Called for every live frame: as cheap as can be.
  function frameDrawn(frames, elapsedMs) {
    showing.showFrames = frames;
    showing.showElapsed = elapsedMs;
    if (frames === 1) showing.firstFrameAt = performance.now();
  }

  // For the page's tests and the curious: how far the show is.
  window.quorvaneStatus = () => showing && {
    frames: showing.showFrames || 0,
    elapsedMs: showing.showElapsed || 0,
    firstFrameMs: showing.firstFrameAt - playClickedAt,
    paused: player.paused,
    seeking: player.target !== null,
    lastSeek: player.lastSeek,
    width: document.getElementById('stage').width,
    height: document.getElementById('stage').height,
  };

  // Running frames ahead to ?t= takes a moment: the card says how far it is.
  function showCatchUp(share) {
    if (share >= 1) {
      card.hidden = true;
      progress.hidden = true;
      return;
    }
    card.hidden = false;
    play.hidden = true;
    progress.hidden = false;
    progress.value = share;
    const moment = player.target !== null ? player.target : startMs;
    say('Finding ' + (moment / 1000).toFixed(1) + ' s… ' + Math.floor(100 * share) + ' %');
  }

  // A link that starts the show at `elapsedMs`.
  function momentLink(elapsedMs) {
    const url = new URL(location.href);
    url.search = '';
    url.searchParams.set('t', (elapsedMs / 1000).toFixed(2));
    return url.href;
  }

  function showEndCard(elapsedMs, lengthMs) {
    clearTimeout(restoreTimer);
    if (showing) showing.showRunning = false;
    playerEnded();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    say('The show has ended.');
    if (elapsedMs < lengthMs) {
      shareLink.href = momentLink(elapsedMs);
      shareLink.textContent = 'the show at ' + (elapsedMs / 1000).toFixed(1) + ' s';
      share.hidden = false;
    }
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

  // The player around a live show: what it shows, where it is, and the controls.
  const player = {
    scenes: [],         // the schedule's clips, {name, start, end}, from the program
    lengthMs: 0,        // the show's length: the last clip's end
    paused: false,
    target: null,       // the moment of a seek under way
    moment: null,       // the moment of the last seek, while paused there
    lastSeek: null,     // {to, inputAt, frameAt, shownAt, frameMs}: the last seek, timed
    dragging: false,    // the pointer holds the timeline
    pausedByDrag: false,
    idleTimer: 0,
    ticking: false,     // the bar follows the show, once per animation frame
  };

  function live() {
    return mode === kModeLive && showing !== null && showing.showRunning === true;
  }

  function addScene(index, name, start, end) {
    player.scenes[index] = {name, start, end};
    player.lengthMs = Math.max(player.lengthMs, end);
  }

  function playerStarted() {
    player.paused = false;
    player.target = null;
    player.moment = null;
    player.lastSeek = null;
    timeline.querySelectorAll('.scene').forEach((mark) => mark.remove());
    for (const scene of player.scenes) {
      const mark = document.createElement('span');
      mark.className = 'scene';
      mark.textContent = scene.name;
      mark.style.left = (100 * scene.start / player.lengthMs) + '%';
      mark.style.width = (100 * (scene.end - scene.start) / player.lengthMs) + '%';
      mark.title = scene.name;
      timeline.appendChild(mark);
    }
    timeline.setAttribute('aria-valuemax', (player.lengthMs / 1000).toFixed(1));
    controls.hidden = false;
    controls.classList.add('idle');
    showPaused();
  }

  function playerEnded() {
    controls.hidden = true;
    player.dragging = false;
    clearTimeout(player.idleTimer);
    if (navigator.mediaSession) navigator.mediaSession.playbackState = 'none';
  }

  // Where the show is, or is going to: paused after a seek, the moment asked for (the frame
  // shown is the last one drawn at or before it).
  function position() {
    return player.moment !== null ? player.moment : (showing.showElapsed || 0);
  }

  function setPaused(paused) {
    if (!live() || paused === player.paused) return;
    if (paused) showing._quorvanePause();
    else showing._quorvaneResume();
    player.paused = paused;
    if (!paused) player.moment = null;
    showPaused();
    revealControls();
  }

  function seekTo(ms, inputAt) {
    if (!live()) return;
    const to = Math.round(Math.max(0, Math.min(player.lengthMs - 1, ms)));
    player.target = to;
    player.moment = to;
    player.lastSeek = {to, inputAt: inputAt || performance.now(), frameAt: null, shownAt: null,
                       frameMs: null};
    showing._quorvaneSeek(to);
    showPosition();
  }

  // The program has run a seek's frames: the moment's frame is on the canvas.
  function seeked(elapsedMs) {
    if (!showing) return;
    player.target = null;
    if (!player.paused) player.moment = null;
    const seek = player.lastSeek;
    if (seek && seek.frameAt === null) {
      seek.frameAt = performance.now();
      seek.frameMs = elapsedMs;
      requestAnimationFrame(() => { seek.shownAt = performance.now(); });
    }
    showPosition();
    tellMediaSession();
  }

  function showPaused() {
    toggle.textContent = player.paused ? '▶' : '❚❚';
    toggle.setAttribute('aria-label', player.paused ? 'Play' : 'Pause');
    tellMediaSession();
  }

  function clockText(ms) {
    const seconds = Math.floor(ms / 1000);
    return Math.floor(seconds / 60) + ':' + String(seconds % 60).padStart(2, '0');
  }

  // The bar's picture of the moment, and the slider's value for a screen reader.
  function showPosition() {
    if (!showing || player.lengthMs === 0) return;
    const ms = position();
    played.style.width = (100 * Math.min(1, ms / player.lengthMs)) + '%';
    const scene = player.scenes.find((s) => ms >= s.start && ms < s.end);
    const seconds = (ms / 1000).toFixed(1);
    timeline.setAttribute('aria-valuenow', seconds);
    timeline.setAttribute('aria-valuetext', seconds + ' s' + (scene ? ', ' + scene.name : ''));
    clock.textContent = clockText(ms) + ' / ' + clockText(player.lengthMs);
  }

  // The bar follows the show only while it can be seen.
  function tick() {
    if (controls.hidden || controls.classList.contains('idle')) {
      player.ticking = false;
      return;
    }
    showPosition();
    requestAnimationFrame(tick);
  }

  function revealControls() {
    if (!live()) return;
    controls.classList.remove('idle');
    if (!player.ticking) {
      player.ticking = true;
      requestAnimationFrame(tick);
    }
    clearTimeout(player.idleTimer);
    player.idleTimer = setTimeout(hideControlsIfIdle, kControlsIdleMs);
  }

  // Hidden while the show plays untouched; kept while paused, held or focused.
  function hideControlsIfIdle() {
    if (player.paused || player.dragging || controls.contains(document.activeElement) ||
        controls.matches(':hover')) {
      player.idleTimer = setTimeout(hideControlsIfIdle, kControlsIdleMs);
      return;
    }
    controls.classList.add('idle');
  }

  function timelineMs(event) {
    const box = timeline.getBoundingClientRect();
    return (event.clientX - box.left) / box.width * player.lengthMs;
  }

  function watchTimeline() {
    timeline.addEventListener('pointerdown', (event) => {
      if (!live() || event.button !== 0) return;
      timeline.setPointerCapture(event.pointerId);
      player.dragging = true;
      // The music stays quiet while the picture is dragged about.
      player.pausedByDrag = !player.paused;
      if (player.pausedByDrag) setPaused(true);
      seekTo(timelineMs(event), event.timeStamp);
    });
    timeline.addEventListener('pointermove', (event) => {
      if (player.dragging) seekTo(timelineMs(event), event.timeStamp);
    });
    const release = () => {
      if (!player.dragging) return;
      player.dragging = false;
      if (player.pausedByDrag) setPaused(false);
    };
    timeline.addEventListener('pointerup', release);
    timeline.addEventListener('pointercancel', release);
    controls.addEventListener('focusin', revealControls);
    stageBox.addEventListener('pointermove', revealControls);
    toggle.addEventListener('click', () => setPaused(!player.paused));
    // A click on the picture pauses or resumes (a double-click, full screen, does both).
    stageBox.addEventListener('click', (event) => {
      if (event.target.id === 'stage') setPaused(!player.paused);
    });
  }

  function playerKeys(event) {
    if (!live() || event.ctrlKey || event.metaKey || event.altKey) return;
    const step = {ArrowLeft: -kSeekStepMs, ArrowRight: kSeekStepMs}[event.key];
    if (event.key === ' ') {
      if (event.target instanceof HTMLButtonElement) return;  // the button's own click
      event.preventDefault();
      if (!event.repeat) setPaused(!player.paused);
    } else if (step !== undefined) {
      event.preventDefault();
      seekTo(position() + step, event.timeStamp);
      revealControls();
    } else if (event.key === 'Home') {
      event.preventDefault();
      seekTo(0, event.timeStamp);
      revealControls();
    } else if (event.key === 'Escape' && player.paused) {
      showing._quorvaneEnd();  // playing, the show sees Escape itself
    }
  }

  // The system's media keys and its player card.
  function watchMediaSession() {
    const session = navigator.mediaSession;
    if (!session) return;
    session.metadata = new MediaMetadata({
      title: 'Quorvane',
      artist: kMakers,
      artwork: kIconSizes.map((size) => ({
        src: `icons/quorvane-${size}.png`, sizes: `${size}x${size}`, type: 'image/png',
      })),
    });
    const actions = {
      play: () => setPaused(false),
      pause: () => setPaused(true),
      seekforward: (d) => seekTo(position() + (d.seekOffset ? d.seekOffset * 1000 : kSeekStepMs)),
      seekbackward: (d) => seekTo(position() - (d.seekOffset ? d.seekOffset * 1000 : kSeekStepMs)),
      seekto: (d) => seekTo(d.seekTime * 1000),
    };
    for (const [action, handler] of Object.entries(actions)) {
      try {
        session.setActionHandler(action, handler);
      } catch (e) {
        // an action this browser does not offer
      }
    }
  }

  function tellMediaSession() {
    const session = navigator.mediaSession;
    if (!session || !live() || player.lengthMs === 0) return;
    session.playbackState = player.paused ? 'paused' : 'playing';
    try {
      session.setPositionState({duration: player.lengthMs / 1000, playbackRate: 1,
                                position: Math.min(position(), player.lengthMs) / 1000});
    } catch (e) {
      // a browser without position states
    }
  }

  // Loads and checks everything, then offers Play (or runs the still or the benchmark).
  async function load() {
    failed = false;
    retry.hidden = true;
    play.hidden = true;
    progress.hidden = false;
    progress.value = 0;
    say('Loading…');
    let instance;
    try {
      let response;
      try {
        response = await fetch('manifest.json', {cache: 'no-cache'});
      } catch (e) {
        throw new FileError('manifest.json could not be downloaded: the connection failed.');
      }
      if (!response.ok) throw downloadError('manifest.json', response);
      loadedFiles = await loadFiles(await response.json());
      if (!hasWebGl2()) {
        failWithoutWebGl2();
        return null;
      }
      instance = await createInstance(loadedFiles, document.getElementById('stage'));
    } catch (e) {
      const text = e instanceof FileError ? e.message
                                          : 'The show could not be loaded: ' + e.message;
      fail(text + ' Retry, or reload the page later.', 'cannot load the show: ' + text, retry);
      return null;
    }
    progress.hidden = true;
    return instance;
  }

  let next = null;  // a program loaded and not yet started

  async function loadAndOffer() {
    next = await load();
    if (!next) return;
    if (mode === kModeLive) ready();
    else start(next);
  }

  function ready() {
    say('Ready.');
    hint.hidden = false;
    play.hidden = false;
    play.disabled = false;
    play.textContent = 'Play';
    play.focus();
  }

  async function main() {
    if (mode === kModeStill) document.body.classList.add('still');
    if (typeof WebGL2RenderingContext === 'undefined') {
      failWithoutWebGl2();
      return;
    }
    retry.addEventListener('click', () => {
      retry.disabled = true;
      loadAndOffer();
    });
    play.addEventListener('click', async () => {
      playClickedAt = performance.now();
      soundtrack.resume();
      play.disabled = true;
      share.hidden = true;
      // The first show's program is ready; a show played again gets a fresh one.
      const current = next || await newInstance(loadedFiles);
      next = null;
      if (!current) return;
      card.hidden = true;
      // The stage takes the keys now: focus stays where the show is.
      stageBox.focus();
      start(current);
    });
    stageBox.addEventListener('dblclick', (event) => {
      if (!controls.contains(event.target)) toggleFullScreen();
    });
    window.addEventListener('keydown', playerKeys);
    watchTimeline();
    watchMediaSession();
    window.addEventListener('keydown', (event) => {
      if ((event.key === 'f' || event.key === 'F') && !event.repeat && !event.ctrlKey &&
          !event.metaKey && !event.altKey) toggleFullScreen();
    });
    new ResizeObserver(() => fitCanvas(false)).observe(stageBox);
    await loadAndOffer();
  }

  main();
})();
