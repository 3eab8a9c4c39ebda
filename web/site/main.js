// The page: takes dropped or picked files, has the worker convert them one
// after the other, and shows each file's report, outcome and download.
import { zipSync } from './fflate.js';
import { languages, chooseLanguage, currentLanguage, everyLanguage, inLanguage, useLanguage, setCatalogs, t,
         tf } from './language.js';
import { openDetails, relabelDetails } from './details.js';
import { listDatabases, relabelDatabases } from './databases.js';
import { newWorker } from './worker_start.js';

const entries = [];  // every file given to the page, in order
const queue = [];    // entries waiting for the worker
let worker = null;
let workerReady = null;
let running = false;
let batch = { total: 0, done: 0 };
let nextRequest = 1;
const waiting = new Map();  // request id -> { resolve, reject }
let zipUrl = null;
const unaddressed = new WeakMap();  // download link without its address yet -> the output's bytes

const $ = (selector) => document.querySelector(selector);

// One worker for the page's life, started at load so that the module and its
// WebAssembly are fetched before anything is dropped: after that the page
// makes no request.
function startWorker() {
  worker = newWorker();
  workerReady = new Promise((resolve, reject) => {
    waiting.set(0, { resolve, reject });
  });
  worker.onmessage = ({ data }) => {
    const id = data.kind === 'ready' ? 0 : data.id;
    const pending = waiting.get(id);
    if (!pending) return;
    waiting.delete(id);
    if (data.kind === 'ready' && data.error) pending.reject(new Error(data.error));
    else pending.resolve(data);
  };
  worker.onerror = (event) => {
    event.preventDefault();
    const fault = new Error(event.message || t('the converter stopped'));
    worker.terminate();
    worker = null;
    for (const pending of waiting.values()) pending.reject(fault);
    waiting.clear();
  };
}

async function ask(message, transfer) {
  if (worker === null) startWorker();
  await workerReady;
  const id = nextRequest++;
  return new Promise((resolve, reject) => {
    waiting.set(id, { resolve, reject });
    worker.postMessage({ ...message, id }, transfer);
  });
}

function setBusy(busy) {
  document.body.dataset.busy = busy ? 'true' : 'false';
}

function showProgress() {
  const line = $('#progress');
  if (batch.total === 0) line.textContent = '';
  else if (batch.done < batch.total) line.textContent = tf('Files done: %1$s of %2$s', batch.done, batch.total);
  else line.textContent = tf('Files done: %s', batch.total);
}

// The page's fixed texts, by the data-label of the element that shows them.
function fixedTexts() {
  return {
    intro: t('Makes Palm OS .prc files smaller by compressing their bitmaps.'),
    drop: t('Drop .prc or .zip files or a folder anywhere on this page.'),
    pick: t('Choose files…'),
    pickFolder: t('Choose a folder…'),
    thorough: t('Thorough mode'),
    device: t('Device'),
    deviceNote: t('An output made for a device is for Palm OS 4 and older: on a Palm OS 5 device it still runs ' +
                  'but shows low-density pictures, scaled.'),
    modes: t('On: compresses every bitmap and icon in the forms Palm OS itself writes (ScanLine, RLE, PackBits). ' +
             'Off: run-length compresses only the uncompressed bitmaps of "Tbmp" resources (the window\'s usual ' +
             'conversion).'),
    privacy: t('Your files are processed inside this browser only and are sent nowhere.'),
    all: t('Download all as .zip'),
  };
}

function outcomeText(status) {
  switch (status) {
    case 'written': return t('Output written');
    case 'no-effect': return t('No effect');
    case 'refused': return t('Refused');
    case 'left-alone': return t('Left alone');
    default: return t('Failed');
  }
}

// The device targets of the core's --device, in the words its window uses.
function deviceTargets() {
  return [
    { value: '', text: t('Any device') },
    { value: 'os4', text: t('Palm OS 4 and older, any screen') },
    { value: 'os4:8', text: t('Palm OS 4 and older, 256 colours') },
    { value: 'os4:4', text: t('Palm OS 4 and older, 16 greys') },
    { value: 'os4:2', text: t('Palm OS 4 and older, 4 greys') },
    { value: 'os4:1', text: t('Palm OS 4 and older, black and white') },
  ];
}

const kRememberedDevice = 'pressling.device';
let thoroughChosen = true;  // the box as the user left it, shown again with "Any device"

function labelDevices() {
  const choice = $('#device');
  const chosen = choice.value;
  choice.replaceChildren(...deviceTargets().map(({ value, text }) => new Option(text, value)));
  choice.value = chosen;
}

// A target implies thorough mode: the box shows checked and cannot be changed meanwhile.
function showDevice() {
  const device = $('#device').value !== '';
  const box = $('#thorough');
  box.checked = device || thoroughChosen;
  box.disabled = device;
}

function setUpDevice() {
  const choice = $('#device');
  labelDevices();
  let remembered = '';
  try { remembered = localStorage.getItem(kRememberedDevice) || ''; } catch { /* storage refused: any device */ }
  choice.value = deviceTargets().some(({ value }) => value === remembered) ? remembered : '';
  showDevice();
  $('#thorough').addEventListener('change', (event) => { thoroughChosen = event.target.checked; });
  choice.addEventListener('change', () => {
    try { localStorage.setItem(kRememberedDevice, choice.value); } catch { /* the choice holds for this visit only */ }
    showDevice();
  });
}

function relabel() {
  document.documentElement.lang = currentLanguage();
  labelDevices();
  const texts = fixedTexts();
  for (const element of document.querySelectorAll('[data-label]')) element.textContent = texts[element.dataset.label];
  const choice = $('#language');
  choice.value = currentLanguage();
  choice.setAttribute('aria-label', t('Language'));
  for (const entry of entries) labelEntry(entry);
  showProgress();
}

function labelEntry(entry) {
  const outcome = entry.element.querySelector('.outcome');
  outcome.textContent = entry.result ? outcomeText(entry.result.status) : t('waiting');
  if (entry.result) {
    // The core gives the report and the reason in every language.
    entry.element.querySelector('.report').textContent = inLanguage(entry.result.lines).join('\n');
    const detail = entry.element.querySelector(':scope > .detail');
    if (detail) detail.textContent = inLanguage(entry.result.detail);
  }
  relabelDatabases(entry.element, outcomeText);
  const link = entry.element.querySelector('a[download]');
  if (link) link.textContent = tf('Download %s', link.download);
  const summary = entry.element.querySelector('details.bitmaps > summary');
  // Without an output nothing changed: the details say what would have.
  const counts = [entry.counts.changed, entry.counts.leftAlone, entry.counts.dropped];
  if (summary && entry.counts.dropped > 0 && entry.output) {
    summary.textContent = tf('Details: %1$s changed, %2$s left alone, %3$s dropped', ...counts);
  } else if (summary && entry.counts.dropped > 0) {
    summary.textContent = tf('Details: %1$s would have changed, %2$s left alone, %3$s dropped', ...counts);
  } else if (summary && entry.output) summary.textContent = tf('Details: %1$s changed, %2$s left alone', ...counts);
  else if (summary) summary.textContent = tf('Details: %1$s would have changed, %2$s left alone', ...counts);
  const folded = entry.element.querySelector('details.left-alone > summary');
  if (folded) folded.textContent = tf('Bitmaps left alone (%s)', entry.counts.leftAlone);
  for (const label of entry.element.querySelectorAll('[data-side-label]')) {
    label.textContent = label.dataset.sideLabel === 'after' ? t('after') : t('before');
  }
  relabelDetails(entry.element);
}

function addEntry(file, shownName, list) {
  const element = document.createElement('li');
  element.className = 'file';
  element.dataset.file = shownName;
  const head = document.createElement('div');
  head.className = 'head';
  const name = document.createElement('span');
  name.className = 'name';
  name.textContent = shownName;
  const outcome = document.createElement('span');
  outcome.className = 'outcome';
  head.append(name, outcome);
  const report = document.createElement('pre');
  report.className = 'report';
  element.append(head, report);
  list.append(element);
  const entry = { file, name: file.name, shownName, thorough: $('#thorough').checked, device: $('#device').value,
                  language: currentLanguage(), element, result: null, output: null,
                  counts: { changed: 0, leftAlone: 0, dropped: 0 }, records: null, changed: [], leftAlone: [],
                  dropped: [] };
  entries.push(entry);
  labelEntry(entry);
  return entry;
}

function finish(entry, reply) {
  entry.result = reply;
  const { element } = entry;
  if (reply.status === 'refused' || reply.status === 'failed') {
    const detail = document.createElement('p');
    detail.className = 'detail';
    element.append(detail);
  }
  if (reply.databases && reply.databases.length > 0) element.append(listDatabases(reply.databases));
  if (reply.output) {
    entry.output = new Uint8Array(reply.output);
    const link = document.createElement('a');
    link.download = reply.outputName;
    link.tabIndex = 0;
    unaddressed.set(link, entry.output);
    element.append(link);
  }
  entry.counts = { changed: reply.changed, leftAlone: reply.leftAlone, dropped: reply.dropped || 0 };
  entry.records = reply.records;
  if (reply.changed + reply.leftAlone + entry.counts.dropped > 0) {
    const details = document.createElement('details');
    details.className = 'bitmaps';
    details.append(document.createElement('summary'));
    details.addEventListener('toggle', () => {
      if (details.open && !details.dataset.drawn) {
        details.dataset.drawn = 'true';
        readRecords(entry);
        openDetails(entry, details, (message, transfer) => ask(message, transfer)).then(() => labelEntry(entry));
      }
    });
    element.append(details);
  }
  labelEntry(entry);
  element.dataset.status = reply.status;
}

// A file's bitmap records, read from their JSON text once its details are opened.
function readRecords(entry) {
  const records = JSON.parse(new TextDecoder().decode(entry.records));
  entry.changed = records.filter((b) => b.after !== null);
  // A bitmap left out for a device has no place in the output.
  entry.dropped = records.filter((b) => b.after === null && b.output_offset === null);
  entry.leftAlone = records.filter((b) => b.after === null && b.output_offset !== null);
  entry.records = null;
}

async function convertOne(entry, ahead) {
  entry.element.querySelector('.report').textContent = t('Processing…');
  let size = 0;
  try {
    ahead.reading += 1;
    let bytes;
    try {
      bytes = await entry.file.arrayBuffer();
    } finally {
      ahead.reading -= 1;
    }
    size = bytes.byteLength;
    ahead.bytes += size;
    const reply = await ask({ kind: 'convert', name: entry.name, bytes, thorough: entry.thorough,
                              device: entry.device, language: entry.language }, [bytes]);
    if (reply.fault !== undefined) {
      reply.detail = everyLanguage(() => tf('%1$s: the converter stopped: %2$s', entry.name, reply.fault));
    }
    return reply;
  } catch (fault) {
    return { status: 'failed', lines: [], detail: `${entry.name}: ${fault && fault.message ? fault.message : fault}`,
             outputName: null, output: null, changed: 0, leftAlone: 0, records: null };
  } finally {
    ahead.bytes -= size;
  }
}

// Files are read and handed to the worker ahead of the one it is converting,
// so that it never waits for the page: reading a file takes the browser a
// while, however small it is. Up to kAheadFiles are ahead, of which
// kReadsAtOnce are being read, while those read hold less than kAheadBytes;
// their results come back in order. A file's size is learnt from its read,
// since asking for it costs Chromium a round trip to the browser each time.
const kAheadFiles = 16;
const kReadsAtOnce = 4;
const kAheadBytes = 32 * 1024 * 1024;

async function run() {
  if (running) return;
  running = true;
  setBusy(true);
  const inFlight = [];
  const ahead = { reading: 0, bytes: 0 };
  while (queue.length > 0 || inFlight.length > 0) {
    while (queue.length > 0 && inFlight.length < kAheadFiles &&
           (inFlight.length === 0 || (ahead.reading < kReadsAtOnce && ahead.bytes < kAheadBytes))) {
      const entry = queue.shift();
      inFlight.push({ entry, reply: convertOne(entry, ahead) });
    }
    const { entry, reply } = inFlight.shift();
    finish(entry, await reply);
    batch.done += 1;
    showProgress();
  }
  running = false;
  offerZip();
  setBusy(false);
}

function add(files) {
  if (files.length === 0) return;
  if (!running) batch = { total: 0, done: 0 };
  // A long list goes into the document at once rather than file by file.
  const list = document.createDocumentFragment();
  for (const { file, shownName } of files) queue.push(addEntry(file, shownName, list));
  $('#results').append(list);
  batch.total += files.length;
  showProgress();
  run();
}

// Every output in one archive, each at the path its input was given from.
// The archive is made when the link is followed, not after every batch.
function zipOutputs(written) {
  const files = {};
  for (const entry of written) {
    const folder = entry.shownName.includes('/') ? entry.shownName.slice(0, entry.shownName.lastIndexOf('/') + 1) : '';
    let path = folder + entry.result.outputName;
    for (let n = 2; path in files; ++n) path = `${folder}${n}_${entry.result.outputName}`;
    files[path] = entry.output;
  }
  return new Blob([zipSync(files, { level: 6 })], { type: 'application/zip' });
}

function offerZip() {
  const written = entries.filter((e) => e.output);
  const link = $('#all');
  if (zipUrl) URL.revokeObjectURL(zipUrl);
  zipUrl = null;
  link.removeAttribute('href');
  $('#all-line').hidden = written.length < 2;
  if (written.length < 2) link.removeAttribute('download');
  else link.download = 'pressling.zip';
}

// The link gets its archive while its click is handled, before the browser follows it.
function followZip(event) {
  const link = event.currentTarget;
  if (!link.download) return;
  if (running) {
    event.preventDefault();
    return;
  }
  if (zipUrl === null) {
    zipUrl = URL.createObjectURL(zipOutputs(entries.filter((e) => e.output)));
    link.href = zipUrl;
  }
}

// A download's address is made when its link is about to be used (pointed
// at, focused, clicked or opened in a menu): making one costs the browser a
// round trip, which for each file of a long list would slow the list down.
function giveAddress(event) {
  const link = event.target instanceof Element ? event.target.closest('a[download]') : null;
  if (!link || !unaddressed.has(link)) return;
  link.href = URL.createObjectURL(new Blob([unaddressed.get(link)], { type: 'application/octet-stream' }));
  unaddressed.delete(link);
}

// A folder's databases and archives in name order, below it too; earlier
// outputs (NAME_comp.prc, NAME_comp.zip) are left out, as pressling-cli
// leaves them out of a folder.
function belongsToFolder(path) {
  const lower = path.toLowerCase();
  return (lower.endsWith('.prc') && !lower.endsWith('_comp.prc')) ||
         (lower.endsWith('.zip') && !lower.endsWith('_comp.zip'));
}

function readEntries(reader) {
  return new Promise((resolve, reject) => {
    const all = [];
    const next = () => reader.readEntries((some) => {
      if (some.length === 0) resolve(all);
      else { all.push(...some); next(); }
    }, reject);
    next();
  });
}

async function walk(entry, found) {
  if (entry.isFile) {
    if (belongsToFolder(entry.name)) {
      const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
      found.push({ file, shownName: entry.fullPath.replace(/^\//, '') });
    }
    return;
  }
  const children = await readEntries(entry.createReader());
  children.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
  for (const child of children) await walk(child, found);
}

async function dropped(transfer) {
  const found = [];
  const items = [...transfer.items].filter((item) => item.kind === 'file');
  const handles = items.map((item) => ({ entry: item.webkitGetAsEntry && item.webkitGetAsEntry(), file: item.getAsFile() }));
  for (const { entry, file } of handles) {
    if (entry && entry.isDirectory) {
      try { await walk(entry, found); } catch { /* an unreadable folder gives what was read */ }
    } else if (file) {
      found.push({ file, shownName: file.name });
    }
  }
  add(found);
}

function pickedFolder(files) {
  const found = [...files]
    .filter((file) => belongsToFolder(file.name))
    .map((file) => ({ file, shownName: file.webkitRelativePath || file.name }))
    .sort((a, b) => (a.shownName < b.shownName ? -1 : a.shownName > b.shownName ? 1 : 0));
  add(found);
}

function setUp() {
  setBusy(false);
  const choice = $('#language');
  for (const { tag, name } of languages) choice.append(new Option(name, tag));
  useLanguage(chooseLanguage());
  setUpDevice();
  relabel();
  choice.addEventListener('change', () => {
    useLanguage(choice.value, { remember: true });
    relabel();
  });
  $('#all').addEventListener('click', followZip);
  for (const type of ['pointerover', 'focusin', 'click', 'contextmenu']) $('#results').addEventListener(type, giveAddress, true);
  $('#files').addEventListener('change', (event) => {
    add([...event.target.files].map((file) => ({ file, shownName: file.name })));
    event.target.value = '';
  });
  $('#folder').addEventListener('change', (event) => {
    pickedFolder(event.target.files);
    event.target.value = '';
  });
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null) document.body.classList.remove('dragging');
  });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    dropped(event.dataTransfer);
  });
  startWorker();
  workerReady.then((ready) => {
    setCatalogs(ready.catalogs);
    relabel();
    document.body.dataset.ready = 'true';
  },
                   (fault) => {
                     document.body.dataset.ready = 'failed';
                     $('#progress').textContent = String(fault.message || fault);
                   });
}

setUp();
