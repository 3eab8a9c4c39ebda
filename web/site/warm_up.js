// A small database made up for the worker to convert in both modes while the
// page waits for its first files: the engine compiles the WebAssembly's
// functions when they are first called and optimises them only once they ran
// a while, so a fresh page would otherwise convert its first files at a
// fraction of its speed.

// 48 resources: an application icon and version-2 bitmaps of 8-bit pixels in
// runs (they pack), between "code" resources of noise.
export function warmUpDatabase() {
  const resources = [];
  let seed = 1;
  const next = () => (seed = (seed * 1103515245 + 12345) >>> 0) >>> 16;
  for (let i = 0; i < 48; ++i) {
    const type = i === 0 ? 'tAIB' : i % 2 === 0 ? 'Tbmp' : 'code';
    let data;
    if (type === 'code') {
      data = Uint8Array.from({ length: 1024 }, () => next() & 0xff);
    } else {
      const width = 40;
      const height = 24;
      data = new Uint8Array(16 + width * height);
      data.set([0, width,   // width
                0, height,  // height
                0, width,   // row bytes
                0, 0,       // flags: not compressed, no colour table
                8,          // pixel size
                2,          // version
                0, 0,       // next depth offset: last bitmap
                0,          // transparent index
                0,          // compression type
                0, 0]);     // reserved
      for (let at = 16; at < data.length;) {
        const run = Math.min(1 + (next() % 30), data.length - at);
        data.fill(next() & 0xff, at, at + run);
        at += run;
      }
    }
    resources.push({ type, id: i, data });
  }
  const head = 80 + 10 * resources.length;  // header, list, two gap bytes
  const bytes = new Uint8Array(head + resources.reduce((sum, r) => sum + r.data.length, 0));
  bytes.set([...'Warm-up'].map((c) => c.charCodeAt(0)), 0);  // name
  bytes[33] = 0x01;                                          // attributes: resource database
  bytes[76] = resources.length >> 8;                         // resource count
  bytes[77] = resources.length & 0xff;
  let offset = head;
  resources.forEach((r, i) => {
    const entry = 78 + 10 * i;
    bytes.set([...r.type].map((c) => c.charCodeAt(0)), entry);  // type
    bytes[entry + 4] = r.id >> 8;                               // id
    bytes[entry + 5] = r.id & 0xff;
    bytes[entry + 7] = offset >> 16;                            // offset, 24 bits
    bytes[entry + 8] = (offset >> 8) & 0xff;
    bytes[entry + 9] = offset & 0xff;
    bytes.set(r.data, offset);
    offset += r.data.length;
  });
  return bytes.buffer;
}
