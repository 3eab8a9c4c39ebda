// Converts in the background with the core compiled to WebAssembly, one
// database per message, so that the page stays responsive. A failure inside
// the core (a trap, an abort, memory exhausted) makes that file failed and
// starts a fresh instance of the module for the next.
import createPressling from './pressling.mjs';
import { languages, setCatalogs } from './language.js';
import { convertArchive } from './archive.js';
import { wasmBytes } from './wasm_source.js';
import { warmUpDatabase } from './warm_up.js';

let module = null;
let wasmBinary = null;

// The WebAssembly is loaded once; a fresh instance after a failure is made
// from the same bytes, without another request.
async function core() {
  if (wasmBinary === null) wasmBinary = await wasmBytes();
  if (module === null) module = await createPressling({ wasmBinary });
  return module;
}

// Copies bytes into the module's memory for the duration of call(pointer).
function withBytes(m, bytes, call) {
  const pointer = m._malloc(Math.max(bytes.length, 1));
  if (pointer === 0) throw new Error('out of memory for ' + bytes.length + ' bytes');
  try {
    m.HEAPU8.set(bytes, pointer);
    return call(pointer);
  } finally {
    m._free(pointer);
  }
}

function withString(m, text, call) {
  const size = m.lengthBytesUTF8(text) + 1;
  const pointer = m._malloc(size);
  try {
    m.stringToUTF8(text, pointer, size);
    return call(pointer);
  } finally {
    m._free(pointer);
  }
}

// The answer's byte block, copied out of the module's memory.
function block(m, place) {
  if (place === null) return null;
  return m.HEAPU8.slice(place.pointer, place.pointer + place.length).buffer;
}

// A copy of bytes in the module's memory that the callee takes over and frees.
function handedBytes(m, bytes) {
  const pointer = m._malloc(Math.max(bytes.length, 1));
  if (pointer === 0) throw new Error('out of memory for ' + bytes.length + ' bytes');
  m.HEAPU8.set(bytes, pointer);
  return pointer;
}

// The core frees the database's copy as soon as it has stored the file.
function convert(m, { name, bytes, thorough, device, language }) {
  const answer = withString(m, name, (text) => withString(m, device || '', (target) => withString(m, language, (tag) => {
    const data = handedBytes(m, new Uint8Array(bytes));
    return JSON.parse(m.UTF8ToString(m._pressling_convert(data, bytes.byteLength, text, thorough ? 1 : 0, target,
                                                          tag)));
  })));
  return {
    status: answer.status,
    lines: answer.lines,
    detail: answer.detail,
    outputName: answer.output_name,
    output: block(m, answer.output),
    changed: answer.changed,
    leftAlone: answer.left_alone,
    dropped: answer.dropped,
    records: block(m, answer.records),  // JSON text, read by the page when the details are opened
  };
}

// Pictures of a run's bitmaps: the before form from the input, the after
// form from the output bytes the download gives.
function render(m, { input, output, bitmaps }) {
  const pictures = [];
  const sides = [[new Uint8Array(input), 0], [output ? new Uint8Array(output) : null, 1]];
  const drawn = sides.map(([bytes, side]) => {
    if (bytes === null) return bitmaps.map(() => null);
    return withBytes(m, bytes, (data) => bitmaps.map((b) => {
      if (side === 1 && (b.after === null || b.output_offset === null)) return null;
      const answer = JSON.parse(m.UTF8ToString(m._pressling_render(data, bytes.length, side,
        b.resource.index, b.offset, b.output_offset, b.before.bytes, b.after ? b.after.bytes : -1)));
      if (answer.error) return { error: answer.error };
      return { width: answer.width, height: answer.height, rgba: block(m, answer.rgba) };
    }));
  });
  for (let i = 0; i < bitmaps.length; ++i) pictures.push({ before: drawn[0][i], after: drawn[1][i] });
  return pictures;
}

// The byte blocks a reply hands over rather than copies: an output and its
// records, or the pictures' pixels.
function transferables(reply) {
  const blocks = reply.pictures ? reply.pictures.flatMap((p) => [p.before?.rgba, p.after?.rgba])
                                : [reply.output, reply.records];
  return blocks.filter((b) => b instanceof ArrayBuffer);
}

self.onmessage = async ({ data }) => {
  given = true;
  let reply;
  try {
    const m = await core();
    if (data.kind !== 'convert') reply = { pictures: render(m, data) };
    else if (withString(m, data.name, (text) => m._pressling_is_archive(text))) {
      reply = convertArchive(m, data);
    } else reply = convert(m, data);
  } catch (fault) {
    module = null;
    // The page words the failure in its language.
    reply = { status: 'failed', lines: [], fault: String(fault && fault.message || fault),
              outputName: null, output: null, changed: 0, leftAlone: 0, records: null, pictures: null,
              error: String(fault) };
  }
  reply.id = data.id;
  reply.kind = data.kind;
  self.postMessage(reply, transferables(reply));
};

// The translations of the page's texts in every language it speaks, from
// the catalogs compiled into the core.
function catalogs(m) {
  const all = {};
  for (const { tag } of languages) {
    all[tag] = withString(m, tag, (text) => JSON.parse(m.UTF8ToString(m._pressling_catalog(text))));
  }
  return all;
}

// Once the page knows it is ready, the first instance converts a made-up
// database a few times in both modes, until the page gives the worker
// something to do: each round is a task of its own, so that a file given
// waits for one round at most. A fault there only costs the speed-up: the
// next file gets a fresh instance.
const kWarmUpRounds = 12;
let given = false;

async function warmUp(m) {
  const turn = new MessageChannel();
  const bytes = warmUpDatabase();
  try {
    for (let round = 0; round < kWarmUpRounds && !given; ++round) {
      convert(m, { name: 'warm-up.prc', bytes, thorough: round % 2 === 0, language: 'en' });
      // setTimeout would add its clamped delay between rounds.
      await new Promise((resolve) => {
        turn.port1.onmessage = resolve;
        turn.port2.postMessage(null);
      });
    }
  } catch {
    module = null;
  } finally {
    turn.port1.close();
  }
}

core().then((m) => {
  const all = catalogs(m);
  setCatalogs(all);
  self.postMessage({ kind: 'ready', catalogs: all });
  warmUp(m);
}, (fault) => self.postMessage({ kind: 'ready', error: String(fault && fault.message || fault) }));
