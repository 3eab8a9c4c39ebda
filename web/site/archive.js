// A .zip archive in the worker: the core converts it as pressling-cli does,
// with the same archive module and the same libzip, and answers with the
// new archive already read back. Report lines and reasons come in every
// language ({tag: text}).

// The archive's name, device and language go into the module's memory for the
// call, and its bytes too: the core frees those itself once it has stored
// them, so that they are not held twice.
function withInput(m, bytes, texts, call) {
  const pointers = [];
  try {
    for (const text of texts) {
      const size = m.lengthBytesUTF8(text) + 1;
      const pointer = m._malloc(size);
      if (pointer === 0) throw new Error(`out of memory for ${size} bytes`);
      pointers.push(pointer);
      m.stringToUTF8(text, pointer, size);
    }
    const data = m._malloc(Math.max(bytes.length, 1));
    if (data === 0) throw new Error(`out of memory for ${bytes.length} bytes`);
    m.HEAPU8.set(bytes, data);
    return call(data, ...pointers);
  } finally {
    for (const pointer of pointers) m._free(pointer);
  }
}

// Converts the archive of bytes named name. Answers as a database's
// conversion does, with databases: one {label, status, lines, detail} per
// database entry.
export function convertArchive(m, { name, bytes, thorough, device, language }) {
  const data = new Uint8Array(bytes);
  const answer = withInput(m, data, [name, device || '', language], (pointer, text, target, tag) =>
    JSON.parse(m.UTF8ToString(m._pressling_convert_archive(pointer, data.length, text, thorough ? 1 : 0, target,
                                                           tag))));
  const output = answer.output === null ? null
    : m.HEAPU8.slice(answer.output.pointer, answer.output.pointer + answer.output.length).buffer;
  return { status: answer.status, lines: answer.lines, detail: answer.detail, outputName: answer.output_name, output,
           changed: 0, leftAlone: 0, records: null, databases: answer.databases };
}
