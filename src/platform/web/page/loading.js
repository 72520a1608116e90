// The downloads and their checks: every file of the site's manifest fetched with its bytes
// counted for the progress bar, and each image and the music decoded as soon as it is in, so
// that a damaged file is found before Ready and not after Play. Failures are FileErrors,
// worded for the card.
import { isLive } from './address.js';
import { showLoaded } from './card.js';
import { soundtrack } from './soundtrack.js';

// How long the browser may take to decode the music before it counts as damaged.
const kDecodeWaitMs = 20000;

// Words for a browser's reader about a download that failed.
export class FileError extends Error {}

function downloadError(url, response) {
  const why =
    response.status === 404
      ? 'the server does not have it (404 Not Found)'
      : `the server answered ${response.status} ${response.statusText}`;
  return new FileError(`${url} could not be downloaded: ${why}.`);
}

// A decoder that never answers must not leave the card at "Loading…": past `ms`, its
// silence counts as a refusal.
function answeredWithin(promise, ms) {
  let timer = 0;
  const silence = new Promise((resolve, reject) => {
    timer = setTimeout(() => reject(new Error('no answer')), ms);
  });
  return Promise.race([promise, silence]).finally(() => clearTimeout(timer));
}

// Decodes an image or the music as the show will need it.
async function checkFile({ file, bytes }) {
  if (file.role !== 'data') return;
  if (/\.png$/.test(file.url)) {
    try {
      const image = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
      image.close();
    } catch {
      throw new FileError(`${file.url} is damaged: the browser cannot read it as an image.`);
    }
  } else if (/\.mp3$/.test(file.url) && isLive) {
    // Opened now rather than at once: starting the browser's audio can take a moment.
    if (!soundtrack.context) soundtrack.open();
    try {
      await answeredWithin(soundtrack.decode(file.path, bytes), kDecodeWaitMs);
    } catch {
      throw new FileError(`${file.url} is damaged: the browser cannot decode it as music.`);
    }
  }
}

// Fetches every file of the manifest, counting the bytes as they come, and checks each as
// it is in. The first failure stops the others.
async function loadFiles(manifest) {
  const total = manifest.files.reduce((sum, file) => sum + file.bytes, 0);
  const abort = new AbortController();
  let received = 0;
  // The sizes are those the manifest was written with; a file changed since stays in bounds.
  const show = () => showLoaded(total > 0 ? Math.min(1, received / total) : 1);
  const one = async (file) => {
    let response;
    try {
      response = await fetch(file.url, { signal: abort.signal, cache: 'no-cache' });
    } catch {
      throw new FileError(`${file.url} could not be downloaded: the connection failed.`);
    }
    if (!response.ok) throw downloadError(file.url, response);
    const reader = response.body.getReader();
    const chunks = [];
    for (;;) {
      let part;
      try {
        part = await reader.read();
      } catch {
        throw new FileError(`${file.url} could not be downloaded: the connection broke off.`);
      }
      if (part.done) break;
      chunks.push(part.value);
      received += part.value.length;
      show();
    }
    const bytes = new Uint8Array(chunks.reduce((sum, chunk) => sum + chunk.length, 0));
    let at = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, at);
      at += chunk.length;
    }
    await checkFile({ file, bytes });
    return { file, bytes };
  };
  try {
    return await Promise.all(manifest.files.map(one));
  } finally {
    abort.abort();
  }
}

// Every file of the site's manifest, {file, bytes}, checked; throws a FileError (or an
// Error for what is not a file's fault).
export async function loadSite() {
  let response;
  try {
    response = await fetch('manifest.json', { cache: 'no-cache' });
  } catch {
    throw new FileError('manifest.json could not be downloaded: the connection failed.');
  }
  if (!response.ok) throw downloadError('manifest.json', response);
  return loadFiles(await response.json());
}

// Making a first context can take seconds (a graphics process starting), so it is tried once
// the downloads are under way.
export function hasWebGl2() {
  try {
    return document.createElement('canvas').getContext('webgl2') !== null;
  } catch {
    return false;
  }
}

// `text` from the program with the site's names for the files it read (the images travel
// as PNG under their own names, and the program reads them as BMP).
export function inSiteNames(loaded, text) {
  let named = text;
  for (const { file } of loaded) {
    if (file.path && file.path !== file.url) named = named.split(file.path).join(file.url);
  }
  return named;
}
