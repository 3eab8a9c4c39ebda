// Every corpus database through the page in both modes, served and as the
// single file, in each engine: the same outcome, report lines and output
// bytes as pressling-cli run on a copy of it.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { copyFileSync, existsSync, readFileSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { unzipSync } from 'fflate';
import { inEachEngine, targets, targetSkip, openPage, convert, runCli, download, corpus, corpusFiles,
         skipReason } from './harness.mjs';

const kProgressLine = '処理中です…';
const skip = skipReason({ needCorpus: true, needCli: true });

// pressling-cli's report lines and output for every corpus database, by mode, made once.
const expectations = new Map();
function expected(thorough) {
  if (expectations.has(thorough)) return expectations.get(thorough);
  const work = mkdtempSync(join(tmpdir(), 'pressling-web-native-'));
  const found = new Map();
  try {
    for (const name of corpusFiles()) {
      copyFileSync(join(corpus, name), join(work, name));
      const run = runCli(work, name, thorough);
      // The command line keeps the progress line the window erases before its report.
      assert.equal(run.lines[0], kProgressLine, `${name}: pressling-cli's first line`);
      const output = join(work, name.replace(/\.prc$/i, '_comp.prc'));
      found.set(name, { lines: run.lines.slice(1), output: existsSync(output) ? readFileSync(output) : null });
    }
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
  expectations.set(thorough, found);
  return found;
}

inEachEngine('corpus', { skip }, (group) => {
  for (const target of targets) {
    for (const thorough of [false, true]) {
      const mode = thorough ? 'thorough' : 'classic';
      test(`${target} page in ${mode} mode gives pressling-cli's outputs and report lines`,
           { skip: targetSkip(target), timeout: 900000 }, async (t) => {
        const scope = group.scope(t);
        const names = corpusFiles();
        const want = expected(thorough);
        const { page, problems } = await openPage(scope, group.browser, await group.address(target));
        const results = await convert(page, names.map((name) => join(corpus, name)), { thorough });
        assert.deepEqual(results.map((r) => r.name), names);

        for (const result of results) {
          const native = want.get(result.name);
          assert.deepEqual(result.lines, native.lines, `${result.name}: report lines`);
          if (native.output) {
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
        const archive = unzipSync(readFileSync(await download(page, '#all')));
        assert.deepEqual(Object.keys(archive).sort(), written.map((r) => r.download).sort());
        for (const result of written) {
          assert.ok(Buffer.from(archive[result.download]).equals(want.get(result.name).output),
                    `${result.name}: zipped output differs from pressling-cli's`);
        }
        // A file's own download link gives the same bytes.
        for (const result of [written[0], written[written.length - 1]]) {
          const saved = await download(page, `[data-file="${result.name}"] a[download]`);
          assert.ok(readFileSync(saved).equals(want.get(result.name).output), `${result.name}: downloaded output`);
        }
        assert.deepEqual(problems, []);
      });
    }
  }
});
