// The page's sound against its checks, on the driver interface (drivers.mjs), with run.mjs's
// helpers `h`: check, inSync, syncSince, describeSync, openReady, clickPlay, pageWait,
// statusOf, problemsOf.
//   late       a page whose music is 40 ms late (watch.js's ?quorvane-late-music=40) fails the
//              sync check that a right one passes: the check is not blind at its bound
//   soundgone  the sound server's only sink removed during the show: the picture goes on at
//              half the wall's pace or more, Escape still ends the show; the sink is loaded
//              again after. (WebKitGTK 2.50's audio clock then crawls at a third of the wall's
//              pace, and the picture with it: this check fails there.)
import { execFileSync } from 'node:child_process';

const kLateMs = 40;
const kPlayMs = 8000;
// Enough to judge the offsets by, which a loaded machine's software renderer may not reach in
// the sync check's own count.
const kControlFrames = 5;
const kGoneMs = 3000;

export async function lateMusic(driver, base, h) {
  const tab = await h.openReady(driver, `${base}/?quorvane-late-music=${kLateMs}`);
  const since = await h.clickPlay(tab);
  await h.pageWait(tab, kPlayMs);
  const late = await h.syncSince(tab, since);
  await tab.close();
  // Failing for its lateness, not for want of frames: the offsets sit at the delay.
  h.check(
    `control: music ${kLateMs} ms late fails the sync check`,
    late.count >= kControlFrames && !late.within && Math.abs(late.median - kLateMs) <= 10,
    h.describeSync(late),
  );
}

// The sink the server plays into, by the module that made it.
function sinkModule() {
  const modules = execFileSync('pactl', ['list', 'short', 'modules']).toString().split('\n');
  const line = modules.find((l) => l.includes('module-null-sink'));
  return line ? { id: line.split('\t')[0], args: line.split('\t')[2] } : null;
}

export async function soundGone(driver, base, h) {
  const sink = sinkModule();
  if (!sink) throw new Error('the sound server has no null sink to remove');
  const tab = await h.openReady(driver, base + '/');
  await h.clickPlay(tab);
  await h.pageWait(tab, 1000);
  const audio = () =>
    tab.evaluate(() => {
      const context = window.quorvaneWatch.starts[0]?.context;
      return context
        ? `${context.state}, at ${(context.currentTime * 1000).toFixed(0)} ms`
        : 'none';
    });
  const before = await h.statusOf(tab);
  const audioBefore = await audio();
  execFileSync('pactl', ['unload-module', sink.id]);
  try {
    await h.pageWait(tab, kGoneMs);
    const during = await h.statusOf(tab);
    const audioDuring = await audio();
    await tab.press('Escape');
    const over = () =>
      document.querySelector('#message').textContent === 'The show has ended.' &&
      !document.querySelector('#card').hidden;
    const ended = await tab.waitFor(over, null, 10000).then(
      () => true,
      () => false,
    );
    const exceptions = (await h.problemsOf(tab)).filter((p) => p.startsWith('exception'));
    await tab.close();
    const advanced = during.elapsedMs - before.elapsedMs;
    h.check(
      'the sink removed during the show: the picture goes on, Escape ends it, no exception',
      advanced >= kGoneMs / 2 && during.frames > before.frames && ended && exceptions.length === 0,
      `${advanced} ms of the show in ${kGoneMs} ms, frames ${before.frames} -> ` +
        `${during.frames}, ended ${ended}; audio ${audioBefore} -> ${audioDuring}` +
        (exceptions.length ? `; ${exceptions.slice(0, 3).join(' | ')}` : ''),
    );
  } finally {
    const args = sink.args.split(' ').filter(Boolean);
    execFileSync('pactl', ['load-module', 'module-null-sink', ...args]);
  }
}
