// The soundtrack and the show's clock. The page decodes the MP3 with Web Audio while it
// loads; the show's SDL_mixer calls schedule it a moment ahead, and SDL_GetTicks reads the
// clock from what the listener hears at that instant (the context's output timestamp, so
// the output latency is in it). A show waits for its music: the clock stands still until
// the scheduled sound is heard, then follows it. Without audio it is the wall clock. The
// page's one soundtrack is `soundtrack`; m mutes it (setMuted) without touching the clock.

export class Soundtrack {
  constructor() {
    this.context = null; // the AudioContext; null where the browser offers none
    this.buffers = new Map(); // decoded music by the path the demo reads it from
    this.handles = [null]; // the mixer's music handles: the path each was loaded from
    this.sources = []; // the scheduled sources: {node, gain, handle}
    this.output = null; // every source plays through it: the mute
    this.muted = false;
    this.resetClock();
  }

  // Made while the page loads; browsers keep it suspended until a gesture resumes it.
  open() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return false;
    try {
      this.context = new Context();
    } catch {
      this.context = null;
    }
    if (this.context) {
      this.context.addEventListener('statechange', () => this.stateChanged());
      this.output = this.context.createGain();
      this.output.connect(this.context.destination);
      this.setMuted(this.muted);
    }
    // An iPhone's silent switch mutes "ambient" sound, which is Web Audio's default.
    try {
      if (navigator.audioSession) navigator.audioSession.type = 'playback';
    } catch {
      // an older session object without the type: the default stays
    }
    return this.context !== null;
  }

  // A context the browser suspends or interrupts during the show (another tab's or app's
  // sound, a call) stops its clock: the picture goes on, on the wall, without sound, and the
  // music comes back where the picture is when the context runs again.
  stateChanged() {
    const running = this.context.state === 'running';
    if (!running && this.playing && this.sources.length > 0) {
      this.interrupted = this.playing;
      for (const source of this.sources) this.stop(source);
      this.sources = [];
      this.followWall();
    } else if (running && this.interrupted) {
      const { handle, plays } = this.interrupted;
      this.interrupted = null;
      this.schedule({ handle, plays, fadeMs: 0 }, this.musicPosition());
    }
  }

  // Where the music is (or, interrupted, would be) now, in seconds of the soundtrack.
  musicPosition() {
    return this.anchorOffset + (this.ticks() - this.anchorTicks) / 1000;
  }

  // Silences the music, or lets it be heard again; it plays on either way, so the clock
  // that follows it is the same.
  setMuted(muted) {
    this.muted = muted;
    if (this.output) this.output.gain.value = muted ? 0 : 1;
  }

  // Decodes `bytes` (MP3) into the buffer the show plays for `path`; throws when the
  // browser cannot decode it.
  async decode(path, bytes) {
    if (!this.context) return;
    const copy = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
    this.buffers.set(path, await this.context.decodeAudioData(copy));
  }

  // Called from the click on Play: the gesture lets the context start.
  resume() {
    if (this.context && this.context.state !== 'running') this.context.resume().catch(() => {});
  }

  // A fresh clock for a show about to start: time 0 now, on the wall clock.
  resetClock() {
    this.stopAll();
    this.base = 0; // clock reading at the anchor
    this.wallAt = performance.now(); // the anchor on the wall clock, when no music leads
    this.startAt = null; // the anchor in context time: the music's start
    this.frozen = false; // the clock stands at `base` (music held)
    this.last = 0; // the last reading: the clock never goes back
    this.waiting = false; // the last reading stood still for the music
    this.held = false; // music asked for is kept until release
    this.request = null; // the music asked for while held
    this.playing = null; // the music asked for last, while it plays
    this.interrupted = null; // that request, while the context does not run
    this.anchorTicks = 0; // the clock's reading when the music was at...
    this.anchorOffset = 0; // ...this position, in seconds
  }

  // What the listener hears now, in the context's time.
  heardTime() {
    const context = this.context;
    if (!Soundtrack.kLatencyReadable) return context.currentTime - (context.baseLatency || 0);
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0 && context.state === 'running') {
      const since = (performance.now() - stamp.performanceTime) / 1000;
      // Never past what has been rendered: a stalled audio thread stops the sound there.
      return Math.min(
        context.currentTime,
        stamp.contextTime + Math.min(Soundtrack.kMaxExtrapolationS, Math.max(0, since)),
      );
    }
    return context.currentTime - (context.outputLatency || 0) - (context.baseLatency || 0);
  }

  // SDL_GetTicks: milliseconds, never decreasing. The clock waits while the music is held,
  // not yet heard, or heard behind the clock (the output fell behind for a moment).
  ticks() {
    let now;
    if (this.frozen) {
      now = this.base;
    } else if (this.startAt === null) {
      now = this.base + (performance.now() - this.wallAt);
    } else {
      now = this.base + (this.heardTime() - this.startAt) * 1000;
    }
    this.waiting = this.frozen || (this.startAt !== null && now < this.last);
    if (now < this.last) now = this.last;
    this.last = now;
    return now;
  }

  // Whether the show should wait for its music before it draws again.
  isWaiting() {
    this.ticks();
    return this.waiting;
  }

  // The clock goes on from its reading now, led by the wall.
  followWall() {
    this.base = this.ticks();
    this.wallAt = performance.now();
    this.startAt = null;
    this.frozen = false;
  }

  // Mix_LoadMUS: a handle, 0 when the music for `path` was not decoded.
  load(path) {
    if (!this.context || !this.buffers.has(path)) return 0;
    this.handles.push(path);
    return this.handles.length - 1;
  }

  // Mix_PlayMusic / Mix_FadeInMusic: `plays` times in all (0: without end).
  play(handle, plays, fadeMs) {
    // One music at a time, as the mixer plays.
    for (const source of this.sources) this.stop(source);
    this.sources = [];
    const request = { handle, plays, fadeMs };
    this.playing = request;
    if (this.held) {
      this.request = request;
      return;
    }
    if (this.interrupted) {
      // Started from its beginning once the context runs again.
      this.interrupted = { handle, plays };
      this.anchorTicks = this.ticks();
      this.anchorOffset = 0;
      return;
    }
    this.schedule(request, 0);
  }

  // The show's music waits for release (its first animation frame, or ?t='s moment), and
  // the clock stands still meanwhile.
  hold() {
    if (!this.frozen) this.base = this.ticks();
    this.held = true;
    this.frozen = true;
  }

  // The show paused, or seeking: its music stops, and is held to start again where the
  // show goes on (release).
  pause() {
    for (const source of this.sources) this.stop(source);
    this.sources = [];
    if (!this.held) this.request = this.playing;
    this.hold();
  }

  // Starts the held music at `offsetMs` of the soundtrack; the clock then follows it.
  release(offsetMs) {
    const request = this.request;
    this.held = false;
    this.request = null;
    if (request) {
      this.schedule(request, offsetMs / 1000);
    } else if (this.frozen) {
      this.followWall(); // no music: the wall clock serves
    }
  }

  schedule({ handle, plays, fadeMs }, offset) {
    const context = this.context;
    const buffer = this.buffers.get(this.handles[handle]);
    const node = context.createBufferSource();
    node.buffer = buffer;
    node.loop = plays !== 1;
    const gain = context.createGain();
    const when = context.currentTime + Soundtrack.kLeadS;
    if (fadeMs > 0) {
      gain.gain.setValueAtTime(0, when);
      gain.gain.linearRampToValueAtTime(1, when + fadeMs / 1000);
    }
    node.connect(gain).connect(this.output);
    node.start(when, offset % buffer.duration);
    if (plays > 0) node.stop(when + plays * buffer.duration - offset);
    this.sources.push({ node, gain, handle });
    this.playing = { handle, plays };
    // From now on the clock is the music's: it stands still until `when` is heard.
    this.base = this.ticks();
    this.anchorTicks = this.base;
    this.anchorOffset = offset;
    this.startAt = when;
    this.frozen = false;
    // A context the browser will not start would stop the show: it plays on the wall clock.
    if (context.state !== 'running') {
      const started = () => context.state === 'running';
      setTimeout(() => {
        if (started() || this.startAt !== when) return;
        console.warn('quorvane: the browser did not start the sound; playing without it');
        this.stopAll();
      }, Soundtrack.kStartWaitMs);
    }
  }

  // Mix_FreeMusic: the handle's sound stops.
  free(handle) {
    if (this.playing && this.playing.handle === handle) this.playing = null;
    if (this.request && this.request.handle === handle) this.request = null;
    for (const source of this.sources.filter((s) => s.handle === handle)) this.stop(source);
    this.sources = this.sources.filter((s) => s.handle !== handle);
    if (this.interrupted && this.interrupted.handle === handle) this.interrupted = null;
    if (this.sources.length === 0 && this.startAt !== null) this.followWall();
  }

  stop(source) {
    try {
      source.node.stop();
    } catch {
      // never started: nothing to stop
    }
    source.node.disconnect();
    source.gain.disconnect();
  }

  // Mix_CloseAudio, and a show that ends: every sound stops, the clock goes on.
  stopAll() {
    for (const source of this.sources || []) this.stop(source);
    this.sources = [];
    this.playing = null;
    this.interrupted = null;
    if ((this.startAt !== null && this.startAt !== undefined) || this.frozen) this.followWall();
  }
}
// How far ahead of now the music is scheduled: room for the show's first frame.
Soundtrack.kLeadS = 0.08;
// Output timestamps come every few ms; a stale one is not carried further than this.
Soundtrack.kMaxExtrapolationS = 0.1;
// Firefox (153 ESR here) asks its audio server for the output latency the first time a page
// reads it (outputLatency, getOutputTimestamp), blocking, with the audio graph locked. When an
// audio callback is under way at that moment, neither returns and the page hangs for good:
// seen on 4 of 9 plays. There the context's own time stands for what is heard, though it is
// early: it jumps ahead as the music starts, by 200-630 ms at a local sound server.
Soundtrack.kLatencyReadable = !navigator.userAgent.includes('Firefox/');
// A context still suspended this long after Play is not going to start.
Soundtrack.kStartWaitMs = 1500;

export const soundtrack = new Soundtrack();
