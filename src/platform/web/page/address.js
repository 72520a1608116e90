// What the page's address asks for. ?at=MS renders the capture program's still for MS;
// ?bench runs the benchmark (?bench=skip times the frames run without drawing, ?bench=WxH
// draws at that size, &until=MS only the first MS); ?t=SECONDS starts the show, after Play,
// at that moment; ?loop plays it again and again. The show's names are the program's own
// (quorvaneStart): "live", "still", "bench" and "bench-skipped".
const params = new URLSearchParams(location.search);
const benchValue = params.get('bench');
const kNoValue = -1; // a ?at= or ?t= that is no number: the program says what it takes

export const showName = params.has('at')
  ? 'still'
  : benchValue === 'skip'
    ? 'bench-skipped'
    : benchValue !== null
      ? 'bench'
      : 'live';
export const isLive = showName === 'live';
export const isStill = showName === 'still';

const benchMatch = /^(\d+)x(\d+)$/.exec(benchValue || '');
// The drawing buffer ?bench=WxH asks for, or null.
export const benchSize =
  showName === 'bench' && benchMatch ? [Number(benchMatch[1]), Number(benchMatch[2])] : null;

// ?at=MS in whole ms, ?t=SECONDS in ms; kNoValue when not a number.
function msParameter(name, scale) {
  const text = params.get(name);
  if (text === null) return 0;
  if (!/^\d+(\.\d+)?$/.test(text.trim())) return kNoValue;
  return Math.round(Number(text) * scale);
}

export const startMs = isLive ? msParameter('t', 1000) : 0;
// The moment the show is asked for: the still's, ?t='s, or the benchmark's end.
export const requestedMs = isStill
  ? msParameter('at', 1)
  : isLive
    ? startMs
    : Math.max(0, msParameter('until', 1));
export const loopShow = params.has('loop');

// A link that starts the show at `elapsedMs`.
export function momentLink(elapsedMs) {
  const url = new URL(location.href);
  url.search = '';
  url.searchParams.set('t', (elapsedMs / 1000).toFixed(2));
  return url.href;
}
