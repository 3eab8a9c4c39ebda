// A file's details: every changed bitmap before and after on canvases, as the
// window's dialog shows them (twice the size below double density, nearest
// neighbour, a checkerboard where a pixel is transparent), its figures, and
// the bitmaps left alone, folded, with their reasons. The pictures come from
// the core's renderer: the before form from the input, the after form from
// the very bytes the download gives. Where the run kept no output, the
// figures say what the bitmap would have become.
import { currentLanguage, t, tf } from './language.js';

const kCell = 4;  // checkerboard square, in canvas pixels
const kLight = [255, 255, 255];
const kDark = [204, 204, 204];

export function scaleFor(bitmap) {
  return bitmap.density >= 144 ? 1 : 2;
}

function checkerboard(context, width, height) {
  for (let y = 0; y < height; y += kCell) {
    for (let x = 0; x < width; x += kCell) {
      const [r, g, b] = ((x / kCell + y / kCell) & 1) === 0 ? kLight : kDark;
      context.fillStyle = `rgb(${r},${g},${b})`;
      context.fillRect(x, y, kCell, kCell);
    }
  }
}

function drawPicture(picture, scale) {
  const canvas = document.createElement('canvas');
  canvas.width = picture.width * scale;
  canvas.height = picture.height * scale;
  canvas.dataset.scale = String(scale);
  if (picture.width === 0 || picture.height === 0) return canvas;
  const context = canvas.getContext('2d', { willReadFrequently: true });
  checkerboard(context, canvas.width, canvas.height);
  const source = document.createElement('canvas');
  source.width = picture.width;
  source.height = picture.height;
  source.getContext('2d').putImageData(
    new ImageData(new Uint8ClampedArray(picture.rgba), picture.width, picture.height), 0, 0);
  context.imageSmoothingEnabled = false;
  context.drawImage(source, 0, 0, canvas.width, canvas.height);
  return canvas;
}

// Each line of figures and how to write it again in another language.
const figureLines = new WeakMap();

function figureLine(element, bitmap, written) {
  const write = () => { element.textContent = `${resourceName(bitmap)}: ${figures(bitmap, written)}`; };
  figureLines.set(element, write);
  write();
}

// Writes a file's details again after the page's language changed.
export function relabelDetails(container) {
  for (const element of container.querySelectorAll('.figures, .left-alone li')) figureLines.get(element)?.();
}

function resourceName(bitmap) {
  return `${bitmap.resource.type} ${bitmap.resource.id} #${bitmap.family_index}`;
}

function figures(bitmap, written) {
  const size = `${bitmap.width}×${bitmap.height}, ${tf('%s-bit', bitmap.pixel_size)}` +
    (bitmap.density !== 72 ? `, ${bitmap.density} dpi` : '');
  const reason = bitmap.reasons?.[currentLanguage()] ?? bitmap.left_alone;
  if (bitmap.output_offset === null) return `${size}: ${tf('dropped: %s', reason)}`;
  if (bitmap.after === null) return `${size}: ${reason}`;
  const { before, after } = bitmap;
  if (written) {
    return tf('%1$s, %2$s → %3$s bytes, %4$s → %5$s', size, before.bytes, after.bytes, before.compression,
              after.compression);
  }
  return tf('%1$s, would have been %2$s → %3$s bytes, %4$s → %5$s', size, before.bytes, after.bytes,
            before.compression, after.compression);
}

// Where the core found the bitmap drawn on a canvas, and what kind it is.
function describe(canvas, bitmap, label) {
  const after = label === 'after';
  canvas.dataset.resourceIndex = String(bitmap.resource.index);
  canvas.dataset.offset = String(after ? bitmap.output_offset : bitmap.offset);
  canvas.dataset.bytes = String(after ? bitmap.after.bytes : bitmap.before.bytes);
  canvas.dataset.pixelSize = String(bitmap.pixel_size);
  canvas.dataset.colorTable = String(bitmap.color_table);
}

function side(label, picture, index, bitmap, scale) {
  const name = resourceName(bitmap);
  const figure = document.createElement('figure');
  const caption = document.createElement('figcaption');
  caption.dataset.sideLabel = label;
  caption.textContent = label === 'after' ? t('after') : t('before');
  if (picture && !picture.error) {
    const canvas = drawPicture(picture, scale);
    canvas.dataset.bitmap = String(index);
    canvas.dataset.side = label;
    describe(canvas, bitmap, label);
    canvas.setAttribute('role', 'img');
    canvas.setAttribute('aria-label', `${name} ${label}`);
    figure.append(canvas);
  } else if (picture) {
    const text = document.createElement('p');
    text.className = 'no-picture';
    text.textContent = picture.error;
    figure.append(text);
  }
  figure.append(caption);
  return figure;
}

// The changed bitmaps, then those left out for a device with their picture
// before and their reason; nothing after, since the output has none of them.
export async function openDetails(entry, details, ask) {
  const list = document.createElement('ol');
  list.className = 'changed';
  details.append(list);
  const shown = [...entry.changed, ...entry.dropped];
  if (shown.length > 0) {
    const input = await entry.file.arrayBuffer();
    const output = entry.output ? entry.output.slice().buffer : null;
    const transfer = output ? [input, output] : [input];
    let pictures = [];
    try {
      ({ pictures } = await ask({ kind: 'render', input, output, bitmaps: shown }, transfer));
    } catch (fault) {
      pictures = shown.map(() => ({ before: { error: String(fault) }, after: null }));
    }
    pictures = pictures || [];
    shown.forEach((bitmap, i) => {
      const dropped = bitmap.output_offset === null;
      const row = document.createElement('li');
      row.className = dropped ? 'bitmap dropped' : 'bitmap';
      const title = document.createElement('p');
      title.className = 'figures';
      figureLine(title, bitmap, entry.output !== null);
      const pair = document.createElement('div');
      pair.className = 'pair';
      const picture = pictures[i] || { before: null, after: null };
      const scale = scaleFor(bitmap);
      pair.append(side('before', picture.before, i, bitmap, scale));
      if (entry.output && !dropped) pair.append(side('after', picture.after, i, bitmap, scale));
      row.append(title, pair);
      list.append(row);
    });
  }
  if (entry.leftAlone.length > 0) {
    const folded = document.createElement('details');
    folded.className = 'left-alone';
    folded.append(document.createElement('summary'));
    const reasons = document.createElement('ul');
    for (const bitmap of entry.leftAlone) {
      const item = document.createElement('li');
      figureLine(item, bitmap, entry.output !== null);
      reasons.append(item);
    }
    folded.append(reasons);
    details.append(folded);
  }
  details.dataset.ready = 'true';
}
