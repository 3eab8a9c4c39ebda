// Every corpus database through the page in both modes: the same outcome,
// report lines and output bytes as pressling-cli run on a copy of it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { copyFileSync, existsSync, readFileSync, mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { unzipSync } from 'fflate';
import { serve, launch, openPage, convert, runCli, download, corpus, corpusFiles, skipReason,
         temporaryFolder } from './harness.mjs';

const kProgressLine = '処理中です…';

for (const thorough of [false, true]) {
  const mode = thorough ? 'thorough' : 'classic';
  test(`corpus in ${mode} mode: the page gives pressling-cli's outputs and report lines`,
       { skip: skipReason({ needCorpus: true, needCli: true }), timeout: 900000 }, async (t) => {
    const names = corpusFiles();
    const work = temporaryFolder(t);
    const native = join(work, 'native');
    mkdirSync(native);
    const expected = new Map();
    for (const name of names) {
      copyFileSync(join(corpus, name), join(native, name));
      const run = runCli(native, name, thorough);
      // The command line keeps the progress line the window erases before its report.
      assert.equal(run.lines[0], kProgressLine, `${name}: pressling-cli's first line`);
      const output = join(native, name.replace(/\.prc$/i, '_comp.prc'));
      expected.set(name, { lines: run.lines.slice(1), output: existsSync(output) ? readFileSync(output) : null });
    }

    const { address } = await serve(t);
    const browser = await launch(t);
    const { page, problems } = await openPage(browser, address);
    const results = await convert(page, names.map((name) => join(corpus, name)), { thorough });
    assert.deepEqual(results.map((r) => r.name), names);

    for (const result of results) {
      const want = expected.get(result.name);
      assert.deepEqual(result.lines, want.lines, `${result.name}: report lines`);
      if (want.output) {
        assert.equal(result.status, 'written', result.name);
        assert.equal(result.download, result.name.replace(/\.prc$/i, '_comp.prc'), `${result.name}: download name`);
      } else {
        assert.ok(['no-effect', 'refused', 'failed'].includes(result.status), `${result.name}: ${result.status}`);
        assert.equal(result.download, null, `${result.name}: a download where pressling-cli writes none`);
      }
    }

    // The archive holds every output, each byte for byte as pressling-cli wrote it.
    const written = results.filter((r) => r.download !== null);
    assert.ok(written.length >= 2, 'the corpus gives at least two outputs');
    const downloads = join(work, 'downloads');
    mkdirSync(downloads);
    const archive = unzipSync(readFileSync(await download(page, '#all', downloads)));
    assert.deepEqual(Object.keys(archive).sort(), written.map((r) => r.download).sort());
    for (const result of written) {
      assert.ok(Buffer.from(archive[result.download]).equals(expected.get(result.name).output),
                `${result.name}: zipped output differs from pressling-cli's`);
    }
    // A file's own download link gives the same bytes.
    for (const result of [written[0], written[written.length - 1]]) {
      const saved = await download(page, `[data-file="${result.name}"] a[download]`, downloads);
      assert.ok(readFileSync(saved).equals(expected.get(result.name).output), `${result.name}: downloaded output`);
    }
    assert.deepEqual(problems, []);
  });
}
