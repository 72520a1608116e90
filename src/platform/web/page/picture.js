// The moment as a picture: s (or the bar's picture button) saves the frame on screen as a
// PNG at the stage's size, S (or the bar's 4× button) at four times the show's, 3200 × 2400.
// Both are drawn again by the program's own replay from the frame it keeps (no upscaling:
// every pixel is drawn), named after their moment, and the link to that moment is offered
// beside them.
import { momentLink } from './address.js';
import { live, onPlayerChange, player, position } from './player.js';

// Four times the show's 800 × 600.
export const kLargePicture = { width: 3200, height: 2400 };

const noteBox = document.getElementById('picture-note');
const noteName = document.getElementById('picture-name');
const noteLink = document.getElementById('picture-link');

const picture = {
  drawn: null, // the ImageData the program has just handed over
  saving: false, // a picture is being encoded; another waits for it
};

// From the program (its onPictureDrawn): the picture asked for, as ImageData.
export function pictureDrawn(image) {
  picture.drawn = image;
}

// "quorvane-01m23.456s-800x600.png": the moment in minutes, seconds and ms, then the size.
export function pictureName(ms, width, height) {
  const minutes = Math.floor(ms / 60000);
  const seconds = ((ms % 60000) / 1000).toFixed(3).padStart(6, '0');
  return `quorvane-${String(minutes).padStart(2, '0')}m${seconds}s-${width}x${height}.png`;
}

function encodePng(image) {
  const canvas = document.createElement('canvas');
  canvas.width = image.width;
  canvas.height = image.height;
  canvas.getContext('2d').putImageData(image, 0, 0);
  return new Promise((resolve, reject) => {
    canvas.toBlob((blob) => (blob ? resolve(blob) : reject(new Error('no PNG'))), 'image/png');
  });
}

function download(blob, name) {
  const url = URL.createObjectURL(blob);
  const anchor = document.createElement('a');
  anchor.href = url;
  anchor.download = name;
  document.body.appendChild(anchor);
  anchor.click();
  anchor.remove();
  // The browser has taken the file by the next task.
  setTimeout(() => URL.revokeObjectURL(url), 0);
}

// Saves the frame on screen: at the stage's size, or at kLargePicture when `large`.
export async function savePicture(large) {
  if (!live() || picture.saving) return;
  const instance = player.instance;
  const canvas = document.getElementById('stage');
  const { width, height } = large ? kLargePicture : canvas;
  const ms = position();
  picture.saving = true;
  try {
    picture.drawn = null;
    // The stage's own picture is multisampled as the stage is; the large one is aliased,
    // as the capture program draws its stills.
    const status = instance._quorvanePicture(width, height, large ? 0 : 1);
    const image = picture.drawn;
    picture.drawn = null;
    if (status !== 0 || !image) return; // the program has said why on the console
    const name = pictureName(ms, width, height);
    download(await encodePng(image), name);
    noteName.textContent = name;
    noteLink.href = momentLink(ms);
    noteBox.hidden = false;
  } catch (e) {
    console.error('quorvane: the picture could not be saved: ' + e.message);
  } finally {
    picture.saving = false;
  }
}

export function watchPictureButtons() {
  // The note speaks of a show that is over once another starts or this one ends.
  onPlayerChange((what) => {
    if (what === 'started' || what === 'ended') noteBox.hidden = true;
  });
  document.getElementById('picture').addEventListener('click', () => savePicture(false));
  document.getElementById('picture-large').addEventListener('click', () => savePicture(true));
}
