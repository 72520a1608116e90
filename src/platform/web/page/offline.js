// Registers the service worker (sw.js) that keeps the site for offline use, once the page
// has loaded. Only the show's own page does: stills (?at=) and benchmarks (?bench) are for
// the tools. Browsers allow workers only on https:// and on this machine's own addresses;
// elsewhere the page simply stays online-only.
'use strict';

(() => {
  const params = new URLSearchParams(location.search);
  if (!('serviceWorker' in navigator) || params.has('at') || params.has('bench')) return;
  window.addEventListener('load', () => {
    navigator.serviceWorker.register('sw.js').catch((e) => {
      console.warn('quorvane: the site cannot be kept for offline use: ' + e.message);
    });
  });
})();
