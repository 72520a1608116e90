// Seeks from the player's snapshots, in headless Chromium: the frame after a seek is the
// capture's for its moment, whether the seek comes from live play (a drag on the timeline)
// or from pause, forward or back, and a control whose snapshots hold a random sequence one
// draw off must miss; a drag draws frames while it moves, and on release the music goes on
// in sync; Firefox and WebKit run one snapshot seek each. For --bench: input to frame over
// 24 seeks, the frame rate of a drag and the snapshots' memory. run.mjs hands in its helpers
// `h`: check, compare, syncSince, describeSync, goldenDir, outDir.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { playing, stageShot, status, withoutMultisampling } from './player.mjs';

const kLengthMs = 85500;
// Seeks from snapshots are held closer to the capture's frames than the golden metric's 0.2 %
// of pixels: SwiftShader against the capture's llvmpipe came to at most 0.013 % on the 15
// golden times, and a fountain drawn from another random sequence differs by about 0.07 %.
const kSnapshotBounds = [0.0004, 4.0];
const kSyncMs = 20;
const kSyncFrames = 20;
const kDragSteps = 30;
const kRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');

// The capture program's stills for `frames` (elapsed times), drawn now into `dir`.
function captureStills(frames, dir) {
  const capture =
    process.env.QUORVANE_CAPTURE || path.join(kRoot, 'build/tools/capture/quorvane-capture');
  fs.mkdirSync(dir, { recursive: true });
  execFileSync(capture, ['--root', kRoot, '--at', [...new Set(frames)].join(','), '--out', dir], {
    env: { ...process.env, LIBGL_ALWAYS_SOFTWARE: '1', GALLIUM_DRIVER: 'llvmpipe' },
    stdio: 'ignore',
  });
  return (ms) => path.join(dir, `quorvane-${String(ms).padStart(5, '0')}.png`);
}

// The timeline under the pointer at `ms` of the show.
async function timelineAt(page) {
  const box = await page.locator('#timeline').boundingBox();
  return (ms) => [box.x + (box.width * ms) / kLengthMs, box.y + box.height / 2];
}

// Waits until the player has taken a snapshot for every slot of the show.
function allSnapshotsTaken(page) {
  return page.waitForFunction(
    () => {
      const s = window.quorvaneStatus().snapshots;
      return s.slots > 0 && s.count === s.slots;
    },
    null,
    { timeout: 120000 },
  );
}

// Does `input` and waits until a seek it started has drawn its frame on the screen.
async function seekDrawn(page, input) {
  const before = (await status(page)).seeksDrawn;
  await input();
  await page.waitForFunction(
    (n) => {
      const s = window.quorvaneStatus();
      return s.seeksDrawn > n && !s.seeking && s.lastSeek.shownAt !== null;
    },
    before,
    { timeout: 60000 },
  );
  return status(page);
}

// The canvas without the bar after `input`'s seek, for comparing later.
async function keepFrame(page, h, label, input) {
  const s = await seekDrawn(page, input);
  const file = path.join(h.outDir, `snapshot-${label}.png`);
  await stageShot(page, file);
  return { file, frameMs: s.lastSeek.frameMs, label, preview: s.preview };
}

export async function snapshotSeeks(browser, base, h) {
  const { context, page, problems } = await playing(browser, base, h);
  await page.waitForFunction(() => window.quorvaneStatus().frames > 5, null, { timeout: 30000 });
  const at = await timelineAt(page);
  const kept = [];
  // From live play: the pointer holds the timeline at 50 s, then drags back to 22 s and on
  // to 72 s; each stop is compared.
  await page.mouse.move(...at(50000));
  kept.push(await keepFrame(page, h, 'live-50s', () => page.mouse.down()));
  kept.push(await keepFrame(page, h, 'live-back-22s', () => page.mouse.move(...at(22000))));
  kept.push(await keepFrame(page, h, 'live-forward-72s', () => page.mouse.move(...at(72000))));
  // A drag: the picture follows the pointer from 72 s to 80 s, the preview above it.
  const before = await status(page);
  const dragStart = await page.evaluate(() => performance.now());
  for (let i = 1; i <= kDragSteps; ++i) {
    await page.mouse.move(...at(72000 + (8000 * i) / kDragSteps));
  }
  const moved = await seekDrawn(page, () => page.mouse.move(...at(80000)));
  const dragMs = (await page.evaluate(() => performance.now())) - dragStart;
  const drawn = moved.seeksDrawn - before.seeksDrawn;
  const releasedAt = await page.evaluate(() => performance.now());
  await page.mouse.up();
  await page.waitForFunction(
    (n) => window.quorvaneStatus().frames >= n,
    moved.frames + kSyncFrames,
    {
      timeout: 60000,
    },
  );
  const after = await h.syncSince(page, releasedAt);
  const first = after.samples[0];
  // Where the soundtrack was started from on release, in ms.
  const musicFrom = await page.evaluate(() => {
    const starts = window.quorvaneWatch.starts;
    return starts.length ? starts[starts.length - 1].offset * 1000 : null;
  });
  const preview = moved.preview;
  h.check(
    `a drag draws frames while it moves, with the moment's preview; on release the music goes on from the frame's moment within ${kSyncMs} ms`,
    drawn >= kDragSteps / 3 &&
      preview !== null &&
      Math.abs(preview.tile - Math.floor(moved.lastSeek.to / 1000)) <= 1 &&
      preview.text.endsWith('greetings') &&
      after.count >= kSyncFrames &&
      after.worst <= kSyncMs &&
      musicFrom !== null &&
      Math.abs(musicFrom - moved.lastSeek.frameMs) <= kSyncMs &&
      first.elapsed > moved.lastSeek.frameMs,
    `${drawn} frames over ${kDragSteps + 1} moves in ${dragMs.toFixed(0)} ms; preview ${JSON.stringify(preview)}; ` +
      `released at frame ${moved.lastSeek.frameMs} ms, the music from ${musicFrom?.toFixed(1)} ms, ` +
      `the first frame after it ${first?.elapsed} ms; ${h.describeSync(after)}`,
  );
  // From pause: back to 30 s, forward to 64 s, back to 14 s.
  await page.keyboard.press('Space');
  for (const [ms, label] of [
    [30000, 'paused-back-30s'],
    [64000, 'paused-forward-64s'],
    [14000, 'paused-back-14s'],
  ]) {
    kept.push(await keepFrame(page, h, label, () => page.mouse.click(...at(ms))));
  }
  // Every snapshot taken, so that the control's seek starts from one near its moment.
  await allSnapshotsTaken(page);
  const { count, slots } = (await status(page)).snapshots;
  // The control: snapshots whose random sequence is one draw off give other particles.
  await page.evaluate(() => window.quorvaneTest.corruptSnapshots());
  const controls = [];
  for (const [ms, label] of [
    [14000, 'control-14s'],
    [50000, 'control-50s'],
  ]) {
    controls.push(await keepFrame(page, h, label, () => page.mouse.click(...at(ms))));
  }
  const reference = captureStills(
    [...kept, ...controls].map((k) => k.frameMs),
    path.join(h.outDir, 'snapshot-references'),
  );
  const against = (k) => ({
    ...k,
    result: h.compare(k.file, reference(k.frameMs), kSnapshotBounds),
  });
  const results = kept.map(against);
  const missed = controls.map(against);
  h.check(
    "seeks from snapshots show the capture's frames: from live play and from pause, forward and back",
    results.every((r) => r.result.within),
    `${count} of ${slots} snapshots; ` +
      results.map((r) => `${r.label} (frame ${r.frameMs} ms): ${r.result.text}`).join('; '),
  );
  h.check(
    "control: from snapshots with their random sequence one draw off, the frame is not the capture's",
    missed.every((m) => !m.result.within && !m.result.failed),
    missed.map((m) => `${m.label} (frame ${m.frameMs} ms): ${m.result.text}`).join('; '),
  );
  const said = await problems();
  h.check(
    'the console holds no error or warning around snapshot seeks',
    said.length === 0,
    said.join(' | '),
  );
  await context.close();
}

// Firefox and WebKit: paused (k), Home and l five times reach 50 s from a snapshot, and
// the frame is the capture's.
export async function snapshotSeekOnce(driver, base, h) {
  const tab = await driver.open(base + '/');
  await tab.waitFor(
    () => {
      const p = document.querySelector('#play');
      return p && !p.hidden;
    },
    null,
    60000,
  );
  // Aliased, as the golden frames are drawn; the show's context is made on Play.
  await tab.evaluate(withoutMultisampling);
  await tab.click('#play');
  await tab.waitFor(() => (window.quorvaneStatus() || {}).frames > 0, null, 60000);
  await tab.press('k');
  await tab.press('Home');
  for (let i = 0; i < 5; ++i) await tab.press('l');
  const s = await tab.waitFor(
    () => {
      const x = window.quorvaneStatus();
      return (
        !x.seeking && x.lastSeek && x.lastSeek.shownAt !== null && x.lastSeek.to === 50000 && x
      );
    },
    null,
    120000,
  );
  const file = path.join(h.outDir, `${driver.name}-snapshot-50s.png`);
  // WebKit's screenshot can still show the bar unless the page has painted once without it.
  await tab.evaluate(
    () =>
      new Promise((painted) => {
        document.getElementById('controls').style.visibility = 'hidden';
        requestAnimationFrame(() => requestAnimationFrame(() => painted(true)));
      }),
  );
  await tab.screenshot(file, { x: 0, y: 0, width: 800, height: 600 });
  const result = h.compare(file, path.join(h.goldenDir, 'quorvane-50000.png'));
  const said = await tab.evaluate(() => window.quorvaneWatch.problems());
  h.check(
    "a seek from a snapshot to 50 s shows the capture's frame",
    result.within && s.lastSeek.frameMs === 49981 && said.length === 0,
    `frame ${s.lastSeek.frameMs} ms, ${s.snapshots.count} of ${s.snapshots.slots} snapshots: ${result.text}` +
      (said.length ? '; console: ' + said.join(' | ') : ''),
  );
  await tab.close();
}

const stats = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  return {
    median: sorted[sorted.length >> 1],
    p95: sorted[Math.ceil(sorted.length * 0.95) - 1],
    worst: sorted[sorted.length - 1],
  };
};
const describe = ({ median, p95, worst }) =>
  `median ${median.toFixed(0)} ms, p95 ${p95.toFixed(0)} ms, worst ${worst.toFixed(0)} ms`;

// Input (a click on the timeline) to the moment's frame on screen, for 12 targets from live
// play and 12 from pause, forward and back across the show; a drag's frame rate; memory.
export async function snapshotBench(browser, base, h) {
  const { context, page, clickAt } = await playing(browser, base, h);
  await allSnapshotsTaken(page);
  const completeMs = (await page.evaluate(() => performance.now())) - clickAt;
  const { count, bytes } = (await status(page)).snapshots;
  const at = await timelineAt(page);
  const targets = [
    61234, 3100, 84000, 12345, 45500, 27000, 80000, 5000, 70100, 33333, 55000, 15000,
  ];
  const seekOnce = async (ms) => {
    const s = await seekDrawn(page, () => page.mouse.click(...at(ms)));
    return s.lastSeek.shownAt - s.lastSeek.inputAt;
  };
  const live = [];
  for (const ms of targets) {
    if ((await status(page)).paused) await page.keyboard.press('Space');
    const frames = (await status(page)).frames;
    await page.waitForFunction((n) => window.quorvaneStatus().frames >= n + 3, frames, {
      timeout: 30000,
    });
    live.push(await seekOnce(ms));
  }
  await page.keyboard.press('Space');
  const paused = [];
  for (const ms of [...targets].reverse()) paused.push(await seekOnce(ms));
  console.log(
    `snapshot bench: ${count} snapshots, ${(bytes / 1024).toFixed(0)} KiB, all taken ${(completeMs / 1000).toFixed(1)} s after Play`,
  );
  console.log(
    `snapshot bench, input to frame on screen (SwiftShader, 800x600): from live play ${describe(stats(live))}; ` +
      `from pause ${describe(stats(paused))}; all ${live.length + paused.length}: ${describe(stats([...live, ...paused]))}`,
  );
  const before = await status(page);
  await page.mouse.move(...at(20000));
  await page.mouse.down();
  const started = await page.evaluate(() => performance.now());
  for (let i = 1; i < 60; ++i) await page.mouse.move(...at(20000 + 1000 * i));
  const after = await seekDrawn(page, () => page.mouse.move(...at(80000)));
  const seconds = ((await page.evaluate(() => performance.now())) - started) / 1000;
  await page.mouse.up();
  const drawn = after.seeksDrawn - before.seeksDrawn;
  console.log(
    `snapshot bench, a drag from 20 s to 80 s in 60 moves: ${drawn} frames in ${seconds.toFixed(2)} s, ${(drawn / seconds).toFixed(1)} frames/s`,
  );
  await context.close();
}
