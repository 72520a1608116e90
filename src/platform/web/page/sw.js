// The service worker that keeps the site for offline use. tools/web.sh puts the build's line
// above this one: kBuild, the build's id (a hash of all its files) and each file's SHA-256.
// It keeps every file of one build in a cache named after the id, checked byte for byte, so
// a new build gets a new cache, and a deploy caught half-way is not kept at all. Online, the
// network answers as if there were no worker (what the page loads is revalidated, so nothing
// is stale); only with the network gone does the kept copy answer, and then for the whole
// page, so that one page never mixes two builds.
'use strict';

const kScope = self.registration.scope;
const kCacheName = `quorvane ${kScope} ${kBuild.id}`;
const kCachePrefix = `quorvane ${kScope} `;
const kIndex = new URL('index.html', kScope).href;
const kFiles = new Map(kBuild.files.map((file) => [new URL(file.url, kScope).href, file.sha256]));
const kStartedKept = 'kept',
  kStartedOnline = 'online';
// How each page this worker has seen started (client id -> kStartedKept or kStartedOnline).
const pageStarts = new Map();

async function sha256Hex(bytes) {
  const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
  return Array.from(digest, (byte) => byte.toString(16).padStart(2, '0')).join('');
}

async function keepBuild() {
  const cache = await caches.open(kCacheName);
  try {
    await Promise.all(
      [...kFiles].map(async ([url, sha256]) => {
        const response = await fetch(url, { cache: 'no-cache' });
        if (!response.ok) throw new Error(`${url} answered ${response.status}`);
        const bytes = await response.arrayBuffer();
        if ((await sha256Hex(bytes)) !== sha256) throw new Error(`${url} is not this build's`);
        // The bytes as decoded: a server's Content-Encoding and Content-Length no longer hold.
        const type = response.headers.get('Content-Type');
        await cache.put(
          url,
          new Response(bytes, { headers: type ? { 'Content-Type': type } : {} }),
        );
      }),
    );
  } catch (e) {
    await caches.delete(kCacheName);
    console.error('quorvane: the site is not kept for offline use: ' + e.message);
    throw e;
  }
}

self.addEventListener('install', (event) => {
  // Nothing is at stake in taking over at once: online the network answers anyway.
  event.waitUntil(keepBuild().then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) =>
        Promise.all(
          names
            .filter((name) => name.startsWith(kCachePrefix) && name !== kCacheName)
            .map((name) => caches.delete(name)),
        ),
      ),
  );
});

async function kept(key) {
  const cache = await caches.open(kCacheName);
  return cache.match(key);
}

async function answer(event, key) {
  const navigation = event.request.mode === 'navigate';
  const page = navigation ? event.resultingClientId : event.clientId;
  if (!navigation && pageStarts.get(page) === kStartedKept) {
    const response = await kept(key);
    if (response) return response;
  }
  try {
    // A navigation keeps its own request (its redirects are the browser's to follow).
    const response = navigation
      ? await fetch(event.request)
      : await fetch(event.request, { cache: 'no-cache' });
    if (navigation) pageStarts.set(page, kStartedOnline);
    return response;
  } catch (e) {
    // A page that started online stays with the network rather than mix in another build.
    const response = pageStarts.get(page) === kStartedOnline ? undefined : await kept(key);
    if (!response) throw e;
    if (navigation) pageStarts.set(page, kStartedKept);
    return response;
  }
}

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  const url = new URL(event.request.url);
  url.search = '';
  url.hash = '';
  // ?at=, ?t= and the bare folder are all the page.
  const key = url.href === kScope ? kIndex : url.href;
  if (!kFiles.has(key)) return;
  event.respondWith(answer(event, key));
});
