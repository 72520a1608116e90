// Loaded first into every page the tests serve (run.mjs puts it at the top of <head>), in
// every engine alike. It watches the music and the frames from inside the page,
// independently of what the page reports about its clock: the sources' start and stop calls
// are recorded as they are made, the music's position is read from the audio context's own
// output timestamp, and each animation frame that draws pairs the elapsed time it drew (read
// after the page's own callback) with the position heard as that callback began. It keeps the
// console's lines and the uncaught errors, and can shrink the frame just drawn into a
// thumbnail. ?quorvane-no-audio hides Web Audio from the page.
'use strict';

(() => {
  if (window.quorvaneWatch) return;
  const watch = (window.quorvaneWatch = {
    starts: [],
    stops: [],
    samples: [],
    console: [],
    clickAt: 0,
    thumb: null,
    wantThumb: false,
  });
  if (new URLSearchParams(location.search).has('quorvane-no-audio')) {
    delete window.AudioContext;
    delete window.webkitAudioContext;
  }
  for (const type of ['log', 'warn', 'error']) {
    const original = console[type].bind(console);
    console[type] = (...args) => {
      watch.console.push({ type, text: args.map(String).join(' ') });
      original(...args);
    };
  }
  addEventListener('error', (e) => watch.console.push({ type: 'exception', text: e.message }));
  addEventListener('unhandledrejection', (e) =>
    watch.console.push({ type: 'exception', text: String(e.reason) }),
  );
  // Errors, warnings and exceptions, as lines.
  watch.problems = () =>
    watch.console.filter((l) => l.type !== 'log').map((l) => `${l.type}: ${l.text}`);

  if (window.AudioBufferSourceNode) {
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (when = 0, offset = 0) {
      watch.starts.push({
        context: this.context,
        when: Math.max(when, this.context.currentTime),
        offset,
        calledAt: performance.now(),
        calledCtx: this.context.currentTime,
      });
      return start.apply(this, arguments);
    };
    const stop = AudioBufferSourceNode.prototype.stop;
    AudioBufferSourceNode.prototype.stop = function (when = 0) {
      watch.stops.push({
        at: Math.max(when, this.context.currentTime),
        calledAt: performance.now(),
      });
      return stop.apply(this, arguments);
    };
  }
  // Firefox hangs when the output latency is first read during an audio callback (see
  // soundtrack.js): there the watch, like the page, goes by the context's own time.
  const latencyReadable = !navigator.userAgent.includes('Firefox/');
  const outputLatency = (context) => (latencyReadable && context.outputLatency) || 0;
  // The position heard now, in ms of the soundtrack, from the latest start.
  watch.position = () => {
    const s = watch.starts[watch.starts.length - 1];
    if (!s || s.context.state !== 'running') return null;
    const t =
      latencyReadable && s.context.getOutputTimestamp
        ? s.context.getOutputTimestamp()
        : { performanceTime: 0 };
    // WebKitGTK 2.50's performanceTime runs ahead of the page's clock by the context's time:
    // a stamp that is not from the last second is not taken.
    const since = performance.now() - t.performanceTime;
    // Nothing beyond what the context has rendered can be heard: an audio thread that
    // stalls (a busy machine) stops the music at that point.
    const heard =
      t.performanceTime > 0 && since >= 0 && since < 1000
        ? Math.min(t.contextTime + since / 1000, s.context.currentTime)
        : s.context.currentTime - outputLatency(s.context) - (s.context.baseLatency || 0);
    return (heard - s.when + s.offset) * 1000;
  };
  // The moment the latest start is heard, on the page's clock.
  watch.soundAt = () => {
    const s = watch.starts[watch.starts.length - 1];
    if (!s) return null;
    return (
      s.calledAt +
      (s.when - s.calledCtx + (s.context.baseLatency || 0) + outputLatency(s.context)) * 1000
    );
  };
  addEventListener(
    'click',
    () => {
      watch.clickAt = performance.now();
    },
    true,
  );
  const thumb = document.createElement('canvas');
  thumb.width = 64;
  thumb.height = 48;
  const raf = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) =>
    raf((time) => {
      const before = window.quorvaneStatus && window.quorvaneStatus();
      // Read just before the page's callback reads its clock for the frame it draws: after
      // the callback, the position would also count the frame's own drawing.
      const music = watch.position();
      callback(time);
      const after = window.quorvaneStatus && window.quorvaneStatus();
      if (!after || after.frames === 0) return;
      if (before && before.frames === after.frames && before.elapsedMs === after.elapsedMs) return;
      watch.samples.push({
        at: performance.now(),
        frames: after.frames,
        elapsed: after.elapsedMs,
        music,
      });
      if (watch.wantThumb) {
        // Still the frame just drawn: the buffer is cleared only once it is shown.
        const g = thumb.getContext('2d', { willReadFrequently: true });
        g.drawImage(document.getElementById('stage'), 0, 0, 64, 48);
        watch.thumb = Array.from(g.getImageData(0, 0, 64, 48).data);
        watch.wantThumb = false;
      }
    });
})();
