// A .zip archive in the worker: fflate reads and writes the container, the
// core's archive rules decide which entries are converted, where inflating
// stops and what the report says, and each database entry is converted as a
// dropped database is. The new archive holds every entry in its order under
// its name, the databases that became smaller converted, and it is read back
// before it is offered. What fflate cannot copy as it was (an encrypted entry,
// an unknown method, an entry that does not inflate to its stated length or
// past the limit) makes the page refuse the whole archive rather than write
// a different one.
import { deflateSync, Inflate, unzipSync, Unzip, Zip, ZipPassThrough } from './fflate.js';
import { everyLanguage, languages, t, tf } from './language.js';

// What the page holds of one archive's entries unpacked at once.
const kPageBudget = 256 * 1024 * 1024;

function call(m, fn, ...texts) {
  const pointers = texts.map((text) => {
    const size = m.lengthBytesUTF8(text) + 1;
    const pointer = m._malloc(size);
    if (pointer === 0) throw new Error(`out of memory for ${size} bytes`);
    m.stringToUTF8(text, pointer, size);
    return pointer;
  });
  try {
    return m.UTF8ToString(m[fn](...pointers));
  } finally {
    for (const pointer of pointers) m._free(pointer);
  }
}

// The central directory's entries in order, as fflate lists them; throws
// when there is none.
function listEntries(bytes) {
  const listed = [];
  unzipSync(bytes, { filter: (file) => { listed.push(file); return false; } });
  return listed;
}

// Inflates an entry's deflated data until told to stop: then the rest of
// its data is skipped without being inflated.
class BoundedInflate {
  constructor() {
    this.stopped = false;
    this.inflate = new Inflate((chunk, final) => this.ondata(null, chunk, final));
  }

  push(chunk, final) {
    if (this.stopped) {
      if (final) this.ondata(null, new Uint8Array(0), true);
      return;
    }
    try {
      this.inflate.push(chunk, final);
    } catch (fault) {
      this.ondata(fault, null, final);
    }
  }

  terminate() {
    this.stopped = true;
  }
}
BoundedInflate.compression = 8;

// The archive is handed to the reader in pieces this long, so that one step
// of inflating makes at most about a thousand times as much.
const kPiece = 16 * 1024;

// Every entry's data as its local header leads to them, inflated at most to
// limit bytes each; an entry past the limit keeps no data and is not
// inflated further.
function readEntries(bytes, limit) {
  const read = [];
  const unzip = new Unzip((file) => {
    const entry = { name: file.name, compression: file.compression, chunks: [], length: 0, fault: null, ended: false };
    read.push(entry);
    file.ondata = (fault, chunk, final) => {
      if (fault) entry.fault = entry.fault || String(fault.message || fault);
      if (fault || entry.fault) return;
      if (entry.length <= limit) {
        entry.length += chunk.length;
        entry.chunks.push(chunk);
        if (entry.length > limit) {
          entry.chunks = [];
          file.terminate();
        }
      }
      if (final) entry.ended = true;
    };
    try {
      file.start();
    } catch (fault) {
      entry.fault = String(fault.message || fault);
    }
  });
  unzip.register(BoundedInflate);
  for (let at = 0; at < bytes.length; at += kPiece) {
    unzip.push(bytes.subarray(at, Math.min(at + kPiece, bytes.length)), at + kPiece >= bytes.length);
  }
  if (bytes.length === 0) unzip.push(bytes, true);
  return read;
}

function joined(chunks, length) {
  const whole = new Uint8Array(length);
  let at = 0;
  for (const chunk of chunks) {
    whole.set(chunk, at);
    at += chunk.length;
  }
  return whole;
}

// fflate reads a name without the UTF-8 flag as Latin-1, one character a
// byte, and writes every name as UTF-8: a name in a DOS code page (with bytes
// 0x80 to 0x9F, which no UTF-8 name holds as characters) would change.
function inCodePage(name) {
  return /[\u0080-\u009f]/.test(name);
}

// Why fflate cannot give an entry's data as they were stored, or null.
function unreadable(listed, read, limit) {
  if (inCodePage(listed.name)) return 'code-page-name';
  if (listed.compression !== 0 && listed.compression !== 8) return 'unknown-method';
  if (read.fault) return 'unreadable';
  if (read.length > limit || listed.originalSize > limit) return 'over-limit';
  // A stored entry takes as many bytes as it holds, unless it is encrypted.
  if (listed.compression === 0 && listed.size !== listed.originalSize) return 'encrypted';
  if (!read.ended || read.length !== listed.originalSize) return 'unreadable';
  return null;
}

function writeArchive(names, methods, contents) {
  const chunks = [];
  let failure = null;
  const zip = new Zip((fault, chunk) => {
    if (fault) failure = fault;
    else chunks.push(chunk);
  });
  names.forEach((name, i) => {
    const file = new ZipPassThrough(name);
    if (methods[i] !== 0) {
      // deflateSync, not fflate's streaming ZipDeflate: that one writes
      // broken data for some inputs (invalid distances), which the read-back
      // below catches.
      file.compression = 8;
      file.process = (chunk, final) => file.ondata(null, deflateSync(chunk, { level: 6 }), final);
    }
    zip.add(file);
    file.push(contents[i], true);
  });
  zip.end();
  if (failure) throw failure;
  return joined(chunks, chunks.reduce((sum, chunk) => sum + chunk.length, 0));
}

function same(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
  return true;
}

// True when archive holds exactly names with contents, in that order. It is
// read through its central directory: fflate finds the end of an entry it
// wrote itself (with a data descriptor) without one only by a signature that
// deflated data may hold. unzipSync names what it reads by entry name, so a
// name that occurs more than once takes one pass for each occurrence.
function readsBack(archive, names, contents) {
  const listed = listEntries(archive);
  if (listed.length !== names.length || listed.some((file, i) => file.name !== names[i])) return false;
  const counted = new Map();
  const occurrence = names.map((name) => {
    const earlier = counted.get(name) ?? 0;
    counted.set(name, earlier + 1);
    return earlier;
  });
  const passes = Math.max(0, ...counted.values());
  for (let pass = 0; pass < passes; ++pass) {
    let index = 0;
    const files = unzipSync(archive, { filter: () => occurrence[index++] === pass });
    for (let i = 0; i < names.length; ++i) {
      if (occurrence[i] === pass && !(files[names[i]] && same(files[names[i]], contents[i]))) return false;
    }
  }
  return true;
}

// Why the page refuses an archive with an entry it cannot copy as it was.
function refusalOf(label, why) {
  const reasons = {
    'unknown-method': t('compressed by a method the page cannot read'),
    'over-limit': t('it inflates to more than 64 MiB'),
    encrypted: t('encrypted'),
    'code-page-name': t('its name is written in a code page the page cannot write back'),
  };
  return tf('%1$s: %2$s; the page writes no archive that would lose it (pressling-cli copies such an entry as it was)',
            label, reasons[why] || t('its data cannot be inflated'));
}

// text with its first name replaced by label, in every language it is given in.
function relabelled(text, name, label) {
  const one = (line) => (line && line.startsWith(name) ? label + line.slice(name.length) : line);
  if (text === null || typeof text !== 'object') return one(text);
  return Object.fromEntries(Object.entries(text).map(([tag, line]) => [tag, one(line)]));
}

// Converts the archive of bytes named name; convertDatabase converts one
// database as for a dropped file. Answers as a database's conversion does,
// with databases: one {label, status, lines, detail} per database entry.
// Report lines and reasons are given in every language ({tag: text}).
export function convertArchive(m, { name, bytes, thorough, device, language }, convertDatabase) {
  const data = new Uint8Array(bytes);
  const report = (request) => Object.fromEntries(languages.map(({ tag }) =>
    [tag, JSON.parse(call(m, '_pressling_archive_report', JSON.stringify(request), tag))]));
  const linesOf = (answers, withSizes) => Object.fromEntries(Object.entries(answers).map(([tag, answer]) =>
    [tag, withSizes ? [...answer.lines, ...answer.size_lines] : answer.lines]));
  const refuse = (detail, refusal = 'not-archive') => {
    const answers = report({ archive: name, archive_before: data.length, archive_after: 0, refusal, entries: [],
                             device: device || null });
    const standard = Object.fromEntries(Object.entries(answers).map(([tag, answer]) =>
      [tag, `${name}: ${answer.refusal_text}`]));
    return { status: refusal === 'not-archive' ? 'refused' : 'failed', lines: linesOf(answers, false),
             detail: detail || standard, outputName: null, output: null, changed: 0, leftAlone: 0, records: null,
             databases: [] };
  };

  let listed;
  let read;
  let plan;
  try {
    listed = listEntries(data);
    const stored = listed.map((f) => (inCodePage(f.name) ? [...f.name].map((c) => c.charCodeAt(0)) : f.name));
    plan = JSON.parse(call(m, '_pressling_archive_plan', JSON.stringify({ archive: name, entries: stored })));
    if (plan.error) return refuse(`${name}: ${plan.error}`, 'failure');
    read = readEntries(data, plan.limit);
  } catch {
    return refuse(null);
  }
  if (read.length !== listed.length || read.some((entry, i) => entry.name !== listed[i].name)) return refuse(null);

  let held = 0;
  const contents = [];
  for (let i = 0; i < listed.length; ++i) {
    const why = unreadable(listed[i], read[i], plan.limit);
    if (why !== null) return refuse(everyLanguage(() => refusalOf(plan.entries[i].label, why)));
    held += read[i].length;
    if (held > kPageBudget) {
      return refuse(everyLanguage(() =>
        tf('%s: the archive unpacks to more than the page holds at once (256 MiB)', name)));
    }
    contents.push(joined(read[i].chunks, read[i].length));
    read[i].chunks = [];
  }

  const databases = [];
  const figures = [];
  const written = contents.slice();
  for (let i = 0; i < listed.length; ++i) {
    if (!plan.entries[i].database) continue;
    const { label } = plan.entries[i];
    // Named by its index: no entry name reaches the core's file system.
    const stem = `entry-${i}.prc`;
    const run = convertDatabase(m, { name: stem, bytes: contents[i].slice().buffer, thorough, device,
                                                language });
    const detail = relabelled(run.detail, stem, label);
    if (run.status === 'failed') return refuse(detail, 'failure');
    const after = run.output ? new Uint8Array(run.output) : null;
    if (after) written[i] = after;
    figures.push({ outcome: after ? 'converted' : run.status, before: contents[i].length,
                   after: after ? after.length : contents[i].length });
    databases.push({ label, status: run.status, lines: run.lines, detail: run.status === 'refused' ? detail : '' });
  }

  const request = { archive: name, archive_before: data.length, archive_after: 0, refusal: null, entries: figures,
                    device: device || null };
  const names = listed.map((f) => f.name);
  let archive = null;
  if (report(request).en.has_effect) {
    try {
      archive = writeArchive(names, listed.map((f) => f.compression), written);
    } catch (fault) {
      return refuse(`${name}: ${fault.message || fault}`, 'failure');
    }
    if (!readsBack(archive, names, written)) {
      return refuse(everyLanguage(() => tf('%s: the new archive did not read back as written', name)), 'failure');
    }
    request.archive_after = archive.length;
  }
  return { status: archive ? 'written' : 'no-effect', lines: linesOf(report(request), true), detail: '',
           outputName: archive ? plan.output_name : null, output: archive ? archive.buffer : null, changed: 0,
           leftAlone: 0, records: null, databases };
}
