// The page's half of tools/syncmeter.sh --page: plays the built site in one browser engine
// (tests/web/drivers.mjs) into whatever sound server PULSE_SERVER names, and writes the frame
// log quorvane-syncmeter measures, on the recording's clock (CLOCK_MONOTONIC, which Node's
// hrtime reads). A script served first in the page notes, after each animation frame's
// callback, the page's time and the show time the frame drew (quorvaneStatus); the page's
// own code is untouched. The page's clock is set against the monotonic one by round trips
// before and after the show: the one with the shortest trip counts.
//   node page.mjs ENGINE SITE_DIR FRAMES_LOG [SHOW_MS]
// Log lines: "start 0 NS" (the click on Play) and "frame ELAPSED NS", a frame drawn for the
// show's time ELAPSED, its callback over at NS.
import { startDriver } from '../../tests/web/drivers.mjs';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const [engineName, siteDir, logPath, showArg] = process.argv.slice(2);
const kShowMs = Number(showArg || 65000);  // past the meter's check after a minute
const kReadyMs = 120000;
const kRoundTrips = 15;
const kTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.json': 'application/json', '.png': 'image/png', '.mp3': 'audio/mpeg',
};
const kFrameScript = `(() => {
  const noted = window.quorvaneMeter = { frames: [], clickAt: 0 };
  addEventListener('click', () => { if (!noted.clickAt) noted.clickAt = performance.now(); }, true);
  const raf = window.requestAnimationFrame.bind(window);
  let last = -1;
  window.requestAnimationFrame = (callback) => raf((time) => {
    callback(time);
    const status = window.quorvaneStatus && window.quorvaneStatus();
    if (!status || status.frames === 0 || status.elapsedMs === last) return;
    last = status.elapsedMs;
    noted.frames.push([performance.now(), status.elapsedMs]);
  });
})();`;

function fail(message) {
  console.error(`quorvane syncmeter: ${message}`);
  process.exit(1);
}

// The site's files as they are, but the page, which gets the frame script first in <head>.
async function siteFile(root, url) {
  const name = decodeURIComponent(new URL(url, 'http://x').pathname).replace(/\/$/, '/index.html');
  const file = path.join(root, name);
  const bytes = file.startsWith(root) ? await fs.promises.readFile(file).catch(() => null) : null;
  if (bytes === null || !file.endsWith('.html')) return { file, bytes };
  const page = bytes.toString().replace('<head>', `<head><script>${kFrameScript}</script>`);
  return { file, bytes: Buffer.from(page) };
}

async function serve(root) {
  const server = http.createServer(async (request, response) => {
    const { file, bytes } = await siteFile(root, request.url);
    const type = kTypes[path.extname(file)] || 'application/octet-stream';
    const headers = bytes ? { 'Content-Type': type, 'Cache-Control': 'no-store' } : {};
    response.writeHead(bytes ? 200 : 404, headers);
    response.end(bytes || undefined);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return server;
}

// ns to add to the page's performance.now() (in ns) for CLOCK_MONOTONIC, and the trip's length.
async function clockOffset(tab) {
  let best = null;
  for (let i = 0; i < kRoundTrips; ++i) {
    const before = process.hrtime.bigint();
    const pageMs = await tab.evaluate(() => performance.now());
    const after = process.hrtime.bigint();
    const trip = after - before;
    if (best === null || trip < best.trip) {
      best = { trip, offset: (before + after) / 2n - BigInt(Math.round(pageMs * 1e6)) };
    }
  }
  return best;
}

if (!['chromium', 'firefox', 'webkit'].includes(engineName) || !siteDir || !logPath) {
  fail('usage: node page.mjs chromium|firefox|webkit SITE_DIR FRAMES_LOG [SHOW_MS]');
}
const server = await serve(path.resolve(siteDir));
let driver = null;
let status = 0;
try {
  driver = await startDriver(engineName, { audible: true });
  const tab = await driver.open(`http://127.0.0.1:${server.address().port}/`);
  const ready = () => {
    const play = document.querySelector('#play');
    return play && !play.hidden && play.offsetParent !== null;
  };
  await tab.waitFor(ready, null, kReadyMs);
  const before = await clockOffset(tab);
  await tab.click('#play');
  const reached = (until) => (window.quorvaneStatus()?.elapsedMs || 0) >= until;
  await tab.waitFor(reached, kShowMs, kShowMs + kReadyMs);
  await tab.press('Escape');
  const noted = await tab.evaluate(() => window.quorvaneMeter);
  const after = await clockOffset(tab);
  await tab.close();
  const clock = after.trip < before.trip ? after : before;
  const toNs = (pageMs) => BigInt(Math.round(pageMs * 1e6)) + clock.offset;
  const lines = [`start 0 ${toNs(noted.clickAt)}`];
  for (const [at, elapsed] of noted.frames) {
    lines.push(`frame ${Math.round(elapsed)} ${toNs(at)}`);
  }
  fs.writeFileSync(logPath, lines.join('\n') + '\n');
  const ms = (ns) => (Number(ns) / 1e6).toFixed(2);
  console.log(`page clock to the monotonic clock: round trips ${ms(before.trip)} ms before ` +
              `the show and ${ms(after.trip)} ms after, ${ms(after.offset - before.offset)} ms ` +
              'apart');
} catch (e) {
  console.error(`quorvane syncmeter: the page in ${engineName} failed: ${e.message}`);
  status = 1;
} finally {
  if (driver) await driver.close().catch(() => {});
  server.close();
}
process.exit(status);
