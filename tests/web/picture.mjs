// The moment as a picture, in headless Chromium: paused at 40 s after a seek, s saves the
// frame on screen at the stage's size and the bar's 4× button at 3200x2400, each named after
// the moment, with the link to it offered beside. The small one is the golden still; the
// large one is the capture program's still at 3200x2400, drawn now, and not its still
// 1 s later (the control); the canvas still shows the frame afterwards. run.mjs hands in
// playwright's browser, the site's address and its helpers `h` (check, compare, goldenDir,
// outDir); the capture program is QUORVANE_CAPTURE (tools/ci/web.sh sets it), else the build's.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { againstGolden, playing, pressSeek } from './player.mjs';

const kRoot = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const kMomentMs = 40000;
const kControlMs = 41000; // the cubes have moved on: a picture of kMomentMs must differ
const kLarge = '3200x2400';
const kSavedMs = 120000; // SwiftShader draws and the browser encodes 7.7 million pixels

// The capture program's stills at `size` for each of `times`, drawn as the golden ones are.
function captureStills(times, size, outDir) {
  const capture =
    process.env.QUORVANE_CAPTURE || path.join(kRoot, 'build/tools/capture/quorvane-capture');
  execFileSync(
    capture,
    ['--root', kRoot, '--at', times.join(','), '--size', size, '--out', outDir],
    {
      env: { ...process.env, LIBGL_ALWAYS_SOFTWARE: '1', GALLIUM_DRIVER: 'llvmpipe' },
      stdio: ['ignore', 'ignore', 'pipe'],
    },
  );
  return times.map((ms) => path.join(outDir, `quorvane-${String(ms).padStart(5, '0')}.png`));
}

// What the page downloads when `save` is done: its suggested name and where it was kept.
async function saved(page, save, file) {
  const [download] = await Promise.all([
    page.waitForEvent('download', { timeout: kSavedMs }),
    save(),
  ]);
  await download.saveAs(file);
  return download.suggestedFilename();
}

export async function picture(browser, base, h) {
  const { context, page, problems } = await playing(browser, base, h);
  await page.keyboard.press('k');
  await page.keyboard.press('Home');
  const seek = await pressSeek(page, 'l', kMomentMs / 10000);
  const small = path.join(h.outDir, 'picture-small.png');
  const smallName = await saved(page, () => page.keyboard.press('s'), small);
  const large = path.join(h.outDir, 'picture-large.png');
  const largeName = await saved(page, () => page.locator('#picture-large').click(), large);
  const note = await page.evaluate(() => ({
    shown: !document.getElementById('picture-note').hidden,
    name: document.getElementById('picture-name').textContent,
    link: document.getElementById('picture-link').href,
  }));
  // The note lies over the picture's corner; the canvas under it is what is compared.
  await page.evaluate(() => {
    document.getElementById('picture-note').style.visibility = 'hidden';
  });
  const stage = await againstGolden(page, h, kMomentMs, 'after-picture');

  const stillDir = fs.mkdtempSync(path.join(h.outDir, 'picture-stills-'));
  const [reference, control] = captureStills([kMomentMs, kControlMs], kLarge, stillDir);
  const asLarge = h.compare(large, reference);
  const asControl = h.compare(large, control);
  const asSmall = h.compare(small, path.join(h.goldenDir, `quorvane-${kMomentMs}.png`));
  const link = new URL(note.link);
  console.log(
    `  picture: ${smallName} ${asSmall.text}; ${largeName} ${asLarge.text}; ` +
      `against ${kControlMs} ms: ${asControl.text}`,
  );
  h.check(
    "paused at 40 s, s saves the frame at the stage's size and 4× saves it at 3200x2400, each the capture's still " +
      'for the moment and named after it, with the link to the moment beside; the stage still shows the frame',
    seek.paused &&
      seek.lastSeek.to === kMomentMs &&
      smallName === 'quorvane-00m40.000s-800x600.png' &&
      largeName === 'quorvane-00m40.000s-3200x2400.png' &&
      asSmall.within &&
      asLarge.within &&
      !asControl.within &&
      !asControl.failed &&
      stage.within &&
      note.shown &&
      note.name === largeName &&
      link.searchParams.get('t') === '40.000',
    `small ${smallName}: ${asSmall.text}; large ${largeName}: ${asLarge.text}; ` +
      `control: ${asControl.text}; stage afterwards: ${stage.text}; note ${JSON.stringify(note)}`,
  );
  const said = await problems();
  h.check(
    'the console holds no error or warning while saving pictures',
    said.length === 0,
    said.join(' | '),
  );
  await context.close();
}
