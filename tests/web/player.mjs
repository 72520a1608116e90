// The page as a player, in headless Chromium: a seek shows the capture's frame for its
// moment (forward, then backward), a pause stops the frames and the music and a resume
// starts them together, ?loop runs into a second pass on the beat; and, for --bench, the
// time from a seek's input to its frame. run.mjs hands in playwright's browser, the site's
// address and its helpers `h`: check, compare, syncSince, describeSync, goldenDir, outDir.
// Every page the tests' server sends carries watch.js (window.quorvaneWatch).
import path from 'node:path';

const kSyncMs = 20;
const kSyncFrames = 20;
const kReadyMs = 60000;
const kSeekDoneMs = 30000;

// A browser without multisampling, as the golden frames are drawn.
export function withoutMultisampling() {
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (type, attributes) {
    return getContext.call(
      this,
      type,
      type === 'webgl2' ? { ...attributes, antialias: false } : attributes,
    );
  };
}

// A page of the site at 800x600, clicked into playing.
export async function playing(browser, base, h, query = '', initScripts = []) {
  const context = await browser.newContext({
    viewport: { width: 800, height: 600 },
    deviceScaleFactor: 1,
  });
  await context.addInitScript(withoutMultisampling);
  for (const script of initScripts) await context.addInitScript(script);
  const page = await context.newPage();
  const problems = () => page.evaluate(() => window.quorvaneWatch.problems());
  await page.goto(`${base}/${query}`);
  await page.locator('#play').waitFor({ state: 'visible', timeout: kReadyMs });
  const clickAt = await page.evaluate(() => performance.now());
  await page.locator('#play').click();
  await page.waitForFunction(() => (window.quorvaneStatus() || {}).frames > 0, null, {
    timeout: 20000,
  });
  return { context, page, problems, clickAt };
}

export const status = (page) => page.evaluate(() => window.quorvaneStatus());

// Waits until `count` more animation frames have run in the page.
function animationFrames(page, count) {
  return page.evaluate(
    (n) =>
      new Promise((resolve) => {
        const next = (left) =>
          left === 0 ? resolve() : requestAnimationFrame(() => next(left - 1));
        next(n);
      }),
    count,
  );
}

export async function seekDone(page) {
  await page.waitForFunction(
    () => {
      const s = window.quorvaneStatus();
      return !s.seeking && s.lastSeek && s.lastSeek.shownAt !== null;
    },
    null,
    { timeout: kSeekDoneMs },
  );
  return status(page);
}

// Presses `key` `times` times, then waits for the seek to be drawn.
export async function pressSeek(page, key, times) {
  for (let i = 0; i < times; ++i) await page.keyboard.press(key);
  return seekDone(page);
}

// The canvas against the capture's still for `ms` under the golden metric.
// The canvas alone into `file`: the bar stays while paused, and the picture under it is what
// is compared.
export async function stageShot(page, file) {
  await page.evaluate(() => {
    document.getElementById('controls').style.visibility = 'hidden';
  });
  await page.locator('#stage').screenshot({ path: file });
  await page.evaluate(() => {
    document.getElementById('controls').style.visibility = '';
  });
}

export async function againstGolden(page, h, ms, label) {
  const file = path.join(h.outDir, `player-${label}-${ms}.png`);
  await stageShot(page, file);
  return h.compare(file, path.join(h.goldenDir, `quorvane-${String(ms).padStart(5, '0')}.png`));
}

// Paused, Home and → eight times reach 40 s; ← six times come back to 10 s. Each time the
// canvas is the capture's frame for the moment, and the slider says where it is.
async function seekIsExact(browser, base, h) {
  const { context, page, problems } = await playing(browser, base, h);
  await page.keyboard.press('Space');
  await page.keyboard.press('Home');
  const forward = await pressSeek(page, 'ArrowRight', 8);
  const slider = await page.evaluate(async () => {
    const t = document.getElementById('timeline');
    const media = navigator.mediaSession;
    const icons = await Promise.all(
      media.metadata.artwork.map(async (a) => (await fetch(a.src)).headers.get('content-type')),
    );
    return {
      role: t.getAttribute('role'),
      name: t.getAttribute('aria-label'),
      value: t.getAttribute('aria-valuenow'),
      text: t.getAttribute('aria-valuetext'),
      marks: [...t.querySelectorAll('.scene')].map((m) => m.textContent),
      media: {
        title: media.metadata.title,
        artist: media.metadata.artist,
        state: media.playbackState,
        icons,
      },
    };
  });
  const ahead = await againstGolden(page, h, 40000, 'forward');
  const backward = await pressSeek(page, 'ArrowLeft', 6);
  const back = await againstGolden(page, h, 10000, 'backward');
  const [aheadMs, backMs] = [forward.lastSeek.frameMs, backward.lastSeek.frameMs];
  console.log(
    `  seek: forward to ${forward.lastSeek.to} ms (frame ${aheadMs} ms): ${ahead.text}; ` +
      `backward to ${backward.lastSeek.to} ms (frame ${backMs} ms): ${back.text}`,
  );
  h.check(
    "a seek shows the capture's frame for its moment: forward to 40 s, then back to 10 s, paused",
    ahead.within &&
      back.within &&
      forward.paused &&
      backward.paused &&
      aheadMs === 39981 &&
      backMs === 9981,
    `40 s: ${ahead.text}; 10 s: ${back.text}; frames at ${aheadMs} and ${backMs} ms`,
  );
  h.check(
    'the timeline is a named slider in seconds that marks the eight clips by name; the media session knows the show',
    slider.role === 'slider' &&
      slider.name &&
      slider.value === '40.0' &&
      slider.text === '40.0 s, split' &&
      slider.marks.length === 8 &&
      slider.marks[2] === 'spin' &&
      slider.marks[7] === 'closing still' &&
      slider.media.title === 'Quorvane' &&
      slider.media.artist &&
      slider.media.state === 'paused' &&
      slider.media.icons.length > 0 &&
      slider.media.icons.every((type) => type === 'image/png'),
    JSON.stringify(slider),
  );
  const said = await problems();
  h.check(
    'the console holds no error or warning while seeking',
    said.length === 0,
    said.join(' | '),
  );
  await context.close();
}

// Space pauses: no frame and no sound for 30 animation frames; Space again resumes, and
// picture and music go on together from where they stopped.
async function pauseAndResume(browser, base, h) {
  const { context, page, problems } = await playing(browser, base, h);
  await page.waitForFunction(() => window.quorvaneStatus().frames > 10, null, { timeout: 20000 });
  await page.keyboard.press('Space');
  const paused = await status(page);
  await animationFrames(page, 30);
  const still = await status(page);
  const sound = await page.evaluate(() => {
    const w = window.quorvaneWatch;
    const lastStart = w.starts[w.starts.length - 1];
    const lastStop = w.stops[w.stops.length - 1];
    return {
      starts: w.starts.length,
      stops: w.stops.length,
      stoppedAfterStart: !!lastStop && lastStop.calledAt >= lastStart.calledAt,
    };
  });
  const resumedAt = await page.evaluate(() => performance.now());
  await page.keyboard.press('Space');
  await page.waitForFunction(
    (n) => window.quorvaneStatus().frames >= n,
    still.frames + kSyncFrames,
    { timeout: 30000 },
  );
  const after = await h.syncSince(page, resumedAt);
  const firstAfter = after.samples[0];
  const silent = sound.starts === sound.stops && sound.stoppedAfterStart;
  h.check(
    `pause holds the frame and stops the music; on resume they go on together within ${kSyncMs} ms`,
    paused.paused &&
      still.frames === paused.frames &&
      still.elapsedMs === paused.elapsedMs &&
      silent &&
      after.count >= kSyncFrames &&
      after.worst <= kSyncMs &&
      firstAfter.elapsed > paused.elapsedMs &&
      firstAfter.elapsed - paused.elapsedMs <= 3 * 20,
    `paused at ${paused.elapsedMs} ms: frames ${paused.frames} -> ${still.frames}, sources started ${sound.starts}, ` +
      `stopped ${sound.stops}; resumed at ${firstAfter?.elapsed} ms; ${h.describeSync(after)}`,
  );
  const said = await problems();
  h.check(
    'the console holds no error or warning around a pause',
    said.length === 0,
    said.join(' | '),
  );
  await context.close();
}

// ?loop&t=84: past the end the show starts again, with its music from the start, on the beat.
async function loopsAgain(browser, base, h) {
  const { context, page, problems } = await playing(browser, base, h, '?loop&t=84');
  // Enough frames of the second pass to judge by: those after the elapsed time went back.
  await page.waitForFunction(
    (frames) => {
      const s = window.quorvaneWatch.samples;
      const wrap = s.findIndex((x, i) => i > 0 && x.elapsed < s[i - 1].elapsed);
      return wrap > 0 && s.length - wrap >= frames;
    },
    kSyncFrames,
    { timeout: 120000 },
  );
  const wrap = await page.evaluate(() => {
    const s = window.quorvaneWatch.samples;
    return s.findIndex((x, i) => i > 0 && x.elapsed < s[i - 1].elapsed);
  });
  const samples = await page.evaluate(() => window.quorvaneWatch.samples);
  const second = await h.syncSince(page, samples[wrap].at);
  const starts = await page.evaluate(() => window.quorvaneWatch.starts.map((s) => s.offset));
  const card = await page.locator('#card').isVisible();
  h.check(
    `?loop: past the end the show plays again from its start, music and picture within ${kSyncMs} ms`,
    wrap > 0 &&
      samples[wrap - 1].elapsed > 85000 &&
      samples[wrap].elapsed < 500 &&
      starts.length === 2 &&
      Math.abs(starts[0] - 84) < 0.05 &&
      starts[1] === 0 &&
      !card &&
      second.count >= kSyncFrames &&
      second.worst <= kSyncMs,
    `first pass to ${samples[wrap - 1]?.elapsed} ms, second from ${samples[wrap]?.elapsed} ms; music started at ${starts.join(', ')} s; ${h.describeSync(second)}`,
  );
  const said = await problems();
  h.check(
    'the console holds no error or warning across the loop',
    said.length === 0,
    said.join(' | '),
  );
  await context.close();
}

export async function player(browser, base, h) {
  await seekIsExact(browser, base, h);
  await pauseAndResume(browser, base, h);
  await loopsAgain(browser, base, h);
}

// Seek times from the input (a click on the timeline, paused) to the moment's frame drawn
// and to the next animation frame, forward from the start and backward from the end; and
// the page's own CPU per live frame, from the animation frame's callbacks that draw.
export async function seekBench(browser, base, h) {
  const { context, page } = await playing(browser, base, h);
  await page.evaluate(() => {
    const w = window.quorvaneWatch;
    w.costs = [];
    const raf = window.requestAnimationFrame;
    window.requestAnimationFrame = (callback) =>
      raf((time) => {
        const before = window.quorvaneStatus() && window.quorvaneStatus().frames;
        const start = performance.now();
        callback(time);
        if (window.quorvaneStatus() && window.quorvaneStatus().frames !== before)
          w.costs.push(performance.now() - start);
      });
  });
  await page.waitForFunction(() => window.quorvaneWatch.costs.length >= 100, null, {
    timeout: 60000,
  });
  const costs = (await page.evaluate(() => window.quorvaneWatch.costs)).sort((a, b) => a - b);
  console.log(
    `player bench: a live frame's callback (wasm, JavaScript, WebGL calls) median ${costs[costs.length >> 1].toFixed(3)} ms, p95 ${costs[Math.floor(costs.length * 0.95)].toFixed(3)} ms over ${costs.length} frames`,
  );
  await page.keyboard.press('Space');
  const box = await page.locator('#timeline').boundingBox();
  const lengthMs = 85500;
  const clickAt = async (ms) => {
    await page.mouse.move(box.x + (box.width * ms) / lengthMs, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.up();
    return seekDone(page);
  };
  const rows = [];
  for (const [direction, from] of [
    ['forward', 0],
    ['backward', 85450],
  ]) {
    for (const to of [10000, 40000, 85000]) {
      if (from === 0) await pressSeek(page, 'Home', 1);
      else await clickAt(from);
      const s = await clickAt(to);
      rows.push(
        `${direction} to ${(s.lastSeek.to / 1000).toFixed(1)} s: frame ${(s.lastSeek.frameAt - s.lastSeek.inputAt).toFixed(0)} ms, shown ${(s.lastSeek.shownAt - s.lastSeek.inputAt).toFixed(0)} ms`,
      );
    }
  }
  console.log('player bench, seek from input to frame (paused, SwiftShader): ' + rows.join('; '));
  await context.close();
}
