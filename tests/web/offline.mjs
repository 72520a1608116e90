// The site offline and shared: after one visit its service worker holds every file, and with
// the network gone the page still reaches Ready and plays, from a reload and from a ?t=
// address; the browser finds the page installable; the link card's image and the web app
// manifest's icons are in the site, at the sizes the page states.
import fs from 'node:fs';
import path from 'node:path';

const kMovingMs = 2500;

// A PNG's width and height from its header, or null for no PNG.
function pngSize(file) {
  if (!fs.existsSync(file)) return null;
  const head = fs.readFileSync(file).subarray(0, 24);
  if (head.length < 24 || head.toString('latin1', 1, 4) !== 'PNG') return null;
  return `${head.readUInt32BE(16)}x${head.readUInt32BE(20)}`;
}

// Reaches Ready, plays, and returns the frames and the moment at two points `kFrames` and at
// least kMovingMs of the show apart: the opening still holds one picture for its first 2 s.
async function playUntilFrames(page, kFrames) {
  await page.locator('#play').waitFor({ state: 'visible', timeout: 60000 });
  const ready = await page.locator('#message').textContent();
  await page.locator('#play').click();
  await page.waitForFunction(() => (window.quorvaneStatus() || {}).frames > 0, null, {
    timeout: 30000,
  });
  const first = await page.evaluate(() => window.quorvaneStatus());
  const firstShot = await page.locator('#stage').screenshot();
  await page.waitForFunction(
    ({ frames, ms }) =>
      window.quorvaneStatus().frames >= frames && window.quorvaneStatus().elapsedMs >= ms,
    { frames: first.frames + kFrames, ms: first.elapsedMs + kMovingMs },
    { timeout: 30000 },
  );
  const later = await page.evaluate(() => window.quorvaneStatus());
  const drawn = !firstShot.equals(await page.locator('#stage').screenshot());
  await page.keyboard.press('Escape');
  return { ready, first, later, drawn };
}

// The console of a playwright page, its errors and warnings apart, across its reloads.
function watchConsole(page) {
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning') {
      problems.push(`${message.type()}: ${message.text()}`);
    }
  });
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  return problems;
}

export async function offline(browser, { check, serve, siteDir }) {
  const kFrames = 12,
    kSeekSeconds = 40,
    kWorkerWaitMs = 60000;
  // A server of its own: its own origin, so this worker and its cache are this group's alone,
  // and a server that can go away, since Chromium's context.setOffline does not reach the
  // worker's own fetches.
  const server = await serve(path.resolve(siteDir));
  const base = `http://127.0.0.1:${server.address().port}`;
  const context = await browser.newContext({
    viewport: { width: 800, height: 600 },
    deviceScaleFactor: 1,
  });
  const page = await context.newPage();
  const problems = watchConsole(page);
  await page.goto(base + '/');
  await page.locator('#play').waitFor({ state: 'visible', timeout: 60000 });
  // A worker that fails to install never becomes ready: the wait is bounded.
  const kept = await page.evaluate(async (kWaitMs) => {
    let over = false;
    const bound = new Promise((resolve) =>
      setTimeout(() => {
        over = true;
        resolve();
      }, kWaitMs),
    );
    const registration = await Promise.race([navigator.serviceWorker.ready, bound]);
    const worker = registration && registration.active;
    while (worker && worker.state !== 'activated' && !over) {
      await Promise.race([
        bound,
        new Promise((resolve) => worker.addEventListener('statechange', resolve, { once: true })),
      ]);
    }
    const names = await caches.keys();
    const urls = [];
    for (const name of names) {
      for (const request of await (await caches.open(name)).keys())
        urls.push(new URL(request.url).pathname.slice(1));
    }
    return { state: worker ? worker.state : 'no worker', names, urls: urls.sort() };
  }, kWorkerWaitMs);
  // Installability is Chromium's to say; its contexts here are incognito ones, never offered.
  let installability = [],
    manifestErrors = [];
  if (browser.browserType().name() === 'chromium') {
    const cdp = await context.newCDPSession(page);
    installability = (await cdp.send('Page.getInstallabilityErrors')).installabilityErrors
      .filter((error) => error.errorId !== 'in-incognito')
      .map((error) => error.errorId);
    manifestErrors = (await cdp.send('Page.getAppManifest')).errors.map((error) => error.message);
  }
  const siteFiles = fs
    .readdirSync(siteDir, { recursive: true })
    .filter((name) => fs.statSync(path.join(siteDir, name)).isFile() && name !== 'sw.js')
    .sort();
  const missing = siteFiles.filter((name) => !kept.urls.includes(name));
  check(
    'after one visit the worker keeps every file of the site in one cache; the page is installable',
    kept.state === 'activated' &&
      kept.names.length === 1 &&
      missing.length === 0 &&
      kept.urls.length === siteFiles.length &&
      installability.length === 0 &&
      manifestErrors.length === 0,
    `worker ${kept.state}, caches ${JSON.stringify(kept.names)}, ${kept.urls.length} of ${siteFiles.length} files kept` +
      (missing.length ? `, missing ${missing.slice(0, 5).join(' ')}` : '') +
      (installability.length ? `, not installable: ${installability.join(' ')}` : '') +
      (manifestErrors.length ? `, manifest: ${manifestErrors.join(' | ')}` : ''),
  );

  await context.setOffline(true);
  server.close();
  server.closeAllConnections();
  const runs = [];
  for (const [label, go] of [
    ['a reload', () => page.reload()],
    [`?t=${kSeekSeconds}`, () => page.goto(`${base}/?t=${kSeekSeconds}`)],
  ]) {
    try {
      await go();
      runs.push({ label, ...(await playUntilFrames(page, kFrames)) });
    } catch (e) {
      runs.push({ label, error: e.message.split('\n')[0] });
    }
  }
  const [reloaded, seeked] = runs;
  const describe = (r) =>
    r.error
      ? `${r.label}: ${r.error}`
      : `${r.label}: "${r.ready}", frames ${r.first.frames} -> ${r.later.frames}, ${r.first.elapsedMs} -> ${r.later.elapsedMs} ms, ${r.drawn ? 'drawn' : 'the picture did not change'}`;
  const played = (r) =>
    !r.error &&
    r.ready === 'Ready.' &&
    r.later.frames >= r.first.frames + kFrames &&
    r.later.elapsedMs > r.first.elapsedMs &&
    r.drawn;
  check(
    `offline: a reload and ?t=${kSeekSeconds} reach Ready and play, the console quiet`,
    played(reloaded) &&
      played(seeked) &&
      seeked.first.elapsedMs >= kSeekSeconds * 1000 &&
      problems.length === 0,
    runs.map(describe).join('; ') +
      (problems.length ? '; console: ' + problems.slice(0, 5).join(' | ') : ''),
  );
  await context.close();

  // The card's image and the manifest's icons, as the page names them, are PNGs in the site
  // at the sizes stated; with --site-url the addresses are absolute under the page's, og:url.
  const html = fs.readFileSync(path.join(siteDir, 'index.html'), 'utf8');
  const tag = (name) =>
    (html.match(
      new RegExp(`<(?:meta|link) (?:property|name|rel)="${name}" (?:content|href)="([^"]*)"`),
    ) || [])[1];
  const pageUrl = tag('og:url') || 'http://site.invalid/';
  const inSite = (address) =>
    path.join(siteDir, new URL(address, pageUrl).href.replace(pageUrl, ''));
  const manifestFile = inSite(tag('manifest'));
  const icons = fs.existsSync(manifestFile)
    ? JSON.parse(fs.readFileSync(manifestFile, 'utf8')).icons
    : [];
  const images = [
    [inSite(tag('og:image')), '800x600'],
    [inSite(tag('twitter:image')), '800x600'],
    [inSite(tag('og:image')), `${tag('og:image:width')}x${tag('og:image:height')}`],
    ...icons.map((icon) => [
      path.join(path.dirname(manifestFile), icon.src),
      icon.type === 'image/png' && icon.sizes,
    ]),
  ];
  const wrong = images.filter(([file, size]) => pngSize(file) !== size);
  check(
    "the link card's image and the web app manifest's icons are in the site at the sizes stated",
    icons.length > 0 && wrong.length === 0,
    `${icons.length} icons` +
      wrong.map(([file, size]) => `; ${path.relative(siteDir, file)} is no ${size} PNG`).join(''),
  );
}
