// A .zip dropped on the page: one item listing its databases, and a
// NAME_comp.zip that holds the same entries in the same order, each database
// as pressling-cli converts that file alone (or as it was where that had no
// effect) and every other entry byte for byte; "download all" includes it.
// Archives the page cannot rewrite faithfully are refused with one line.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { unzipSync } from 'fflate';
import { inEachEngine, targets, targetSkip, openPage, convert, runCli, download, corpus, corpusFiles, skipReason,
         temporaryFolder } from './harness.mjs';

const kWritten = 'harbaum__palmos__IR-Pong2.prc';       // made smaller in thorough mode
const kNoEffect = 'harbaum__palmos__axxPacShell.prc';   // no effect in thorough mode
const kOther = 'ardiri__palmos-hexxagon__hexxagon_en.prc';  // no effect in thorough mode either

// Python's zipfile writes the archive the test describes, entry by entry:
// [name, path of its data or null for text, text, method] and the archive's
// comment; and reads one back as [name, base64 data] after testing every
// entry's checksum.
const kZipTool = `
import base64, json, sys, zipfile
command, path = sys.argv[1], sys.argv[2]
if command == 'write':
    entries, comment = json.loads(sys.argv[3]), sys.argv[4]
    with zipfile.ZipFile(path, 'w') as archive:
        archive.comment = comment.encode()
        for name, source, text, method in entries:
            info = zipfile.ZipInfo(name, date_time=(2003, 5, 17, 12, 30, 0))
            info.compress_type = zipfile.ZIP_DEFLATED if method == 'deflate' else zipfile.ZIP_STORED
            info.comment = ('entry ' + name).encode()
            data = open(source, 'rb').read() if source else text.encode()
            archive.writestr(info, data)
elif command == 'bomb':
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as archive:
        with archive.open('bomb.prc', 'w', force_zip64=True) as entry:
            block = bytes(1 << 20)
            for _ in range(int(sys.argv[3])):
                entry.write(block)
elif command == 'codepage':
    import os, subprocess, tempfile
    with tempfile.TemporaryDirectory() as folder:
        name = b'\\x9aber.prc'  # "Uber.prc" with an umlaut, in code page 437, without the UTF-8 flag
        open(os.path.join(folder.encode(), name), 'wb').write(open(sys.argv[3], 'rb').read())
        subprocess.run([b'zip', b'-q', os.path.abspath(path).encode(), name], cwd=folder, check=True)
else:
    with zipfile.ZipFile(path) as archive:
        bad = archive.testzip()
        if bad is not None:
            sys.exit('bad checksum: ' + bad)
        print(json.dumps([[info.filename, base64.b64encode(archive.read(info)).decode()] for info in archive.infolist()]))
`;

function zipTool(...args) {
  const run = spawnSync('python3', ['-c', kZipTool, ...args], { encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(run.status, 0, run.stderr);
  return run.stdout;
}

function readZip(path) {
  return JSON.parse(zipTool('read', path)).map(([name, data]) => ({ name, data: Buffer.from(data, 'base64') }));
}

inEachEngine('archives', { skip: skipReason({ needCorpus: true, needCli: true }) }, (group) => {
  for (const target of targets) {
    test(`${target} page: a dropped archive gives NAME_comp.zip with the entries pressling-cli gives, and "download all" holds it`,
         { skip: targetSkip(target), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const folder = temporaryFolder(scope);
      // Each database alone through pressling-cli, for what its entry must become.
      const alone = (name) => {
        copyFileSync(join(corpus, name), join(folder, name));
        runCli(folder, name, true);
        const output = join(folder, name.replace(/\.prc$/i, '_comp.prc'));
        return existsSync(output) ? readFileSync(output) : readFileSync(join(corpus, name));
      };
      const readme = 'Install both databases with your HotSync tool.\n';
      const entries = [
        ['IR-Pong2.prc', join(corpus, kWritten), null, 'deflate'],
        ['docs/readme.txt', null, readme, 'deflate'],
        ['Sub/AXXPACSHELL.PRC', join(corpus, kNoEffect), null, 'stored'],
        ['data/hexxagon.pdb', join(corpus, kOther), null, 'deflate'],
        ['IR-Pong2.prc', join(corpus, kOther), null, 'deflate'],  // a second entry of the same name
        ['../outside.prc', join(corpus, kWritten), null, 'stored'],
      ];
      const archive = join(folder, 'games.zip');
      zipTool('write', archive, JSON.stringify(entries), 'games for the handheld');
      const expected = [alone(kWritten), Buffer.from(readme), alone(kNoEffect), readFileSync(join(corpus, kOther)),
                        alone(kOther), alone(kWritten)];

      const { page, problems } = await openPage(scope, group.browser, await group.address(target));
      const results = await convert(page, [archive, join(corpus, kNoEffect), join(corpus, kWritten)], { thorough: true });
      assert.equal(results[0].status, 'written', results[0].detail);
      assert.equal(results[0].download, 'games_comp.zip');
      const listed = await page.$$eval('[data-file="games.zip"] .database', (items) => items.map((item) => ({
        label: item.dataset.entry, status: item.dataset.status,
        lines: item.querySelector('.report').textContent.split('\n').filter((line) => line !== '') })));
      assert.deepEqual(listed.map((item) => item.label),
                       ['games.zip:IR-Pong2.prc', 'games.zip:Sub/AXXPACSHELL.PRC', 'games.zip:IR-Pong2.prc',
                        'games.zip:../outside.prc']);
      assert.deepEqual(listed.map((item) => item.status), ['written', 'no-effect', 'no-effect', 'written']);
      // Each database's report is the one pressling-cli prints for the file alone.
      assert.deepEqual(listed[1].lines, runCli(folder, kNoEffect, true).lines.slice(1));

      const saved = await download(page, '[data-file="games.zip"] a[download]');
      const output = readZip(saved);
      assert.deepEqual(output.map((entry) => entry.name), entries.map(([name]) => name), 'names and order');
      output.forEach((entry, i) => assert.ok(entry.data.equals(expected[i]), `entry ${i} (${entry.name})`));
      // pressling-cli given the archive itself writes the same entries.
      const native = temporaryFolder(scope);
      copyFileSync(archive, join(native, 'games.zip'));
      const run = runCli(native, 'games.zip', true);
      const written = readZip(join(native, 'games_comp.zip'));
      // The archive's five lines are pressling-cli's; the lengths of the two archive files differ.
      const at = run.lines.indexOf(results[0].lines[0]);
      assert.ok(at > 0, `pressling-cli prints the page's first archive line: ${results[0].lines[0]}`);
      assert.deepEqual(results[0].lines.slice(0, 5), run.lines.slice(at, at + 5));
      assert.deepEqual(output.map((entry) => entry.name), written.map((entry) => entry.name));
      output.forEach((entry, i) => assert.ok(entry.data.equals(written[i].data), `entry ${i} (${entry.name}) against pressling-cli`));
      const check = spawnSync('unzip', ['-tq', saved], { encoding: 'utf8' });
      assert.equal(check.status, 0, check.stdout + check.stderr);

      const all = unzipSync(readFileSync(await download(page, '#all')));
      assert.ok(Buffer.from(all['games_comp.zip']).equals(readFileSync(saved)), 'download all holds the archive');
      assert.deepEqual(problems, []);
    });

    test(`${target} page: the whole corpus in one archive gives pressling-cli's entries`,
         { skip: targetSkip(target), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const folder = temporaryFolder(scope);
      const run = spawnSync('zip', ['-qj', join(folder, 'corpus.zip'), ...corpusFiles().map((name) => join(corpus, name))]);
      assert.equal(run.status, 0);
      runCli(folder, 'corpus.zip', true);
      const written = readZip(join(folder, 'corpus_comp.zip'));

      const { page, problems } = await openPage(scope, group.browser, await group.address(target));
      const [result] = await convert(page, [join(folder, 'corpus.zip')]);
      assert.equal(result.status, 'written', result.detail);
      const output = readZip(await download(page, '[data-file="corpus.zip"] a[download]'));
      assert.deepEqual(output.map((entry) => entry.name), written.map((entry) => entry.name));
      output.forEach((entry, i) => assert.ok(entry.data.equals(written[i].data), `${entry.name} against pressling-cli`));
      assert.deepEqual(problems, []);
    });

    test(`${target} page: archives it cannot rewrite as they were are refused with one line, and the next converts`,
         { skip: targetSkip(target), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const folder = temporaryFolder(scope);
      const good = join(folder, 'good.zip');
      zipTool('write', good, JSON.stringify([['IR-Pong2.prc', join(corpus, kWritten), null, 'deflate']]), '');
      const whole = readFileSync(good);
      writeFileSync(join(folder, 'truncated.zip'), whole.subarray(0, whole.length - 30));  // the end record cut off
      writeFileSync(join(folder, 'notes.zip'), 'not an archive\n');
      zipTool('bomb', join(folder, 'bomb.zip'), '200');  // 200 MiB of zeros in a .prc entry
      zipTool('codepage', join(folder, 'cp437.zip'), join(corpus, kWritten));
      const names = ['truncated.zip', 'notes.zip', 'bomb.zip', 'cp437.zip', 'good.zip'];

      const { page, problems } = await openPage(scope, group.browser, await group.address(target), { language: 'en' });
      const results = await convert(page, names.map((name) => join(folder, name)), { thorough: true });
      for (const result of results.slice(0, -1)) {
        assert.equal(result.status, 'refused', result.name);
        assert.equal(result.download, null, result.name);
        assert.match(result.detail, new RegExp(`^${result.name.replace('.', '\\.')}\\S*: \\S`), result.name);
      }
      assert.match(results[2].detail, /^bomb\.zip:bomb\.prc: it inflates to more than 64 MiB; /);
      // The entry is named as pressling-cli names it, from the bytes of its name.
      const label = runCli(folder, 'cp437.zip', true).lines[1];
      assert.match(label, /^cp437\.zip:\S+er\.prc$/);
      assert.ok(results[3].detail.startsWith(`${label}: its name is written in a code page `), results[3].detail);
      assert.equal(results[4].status, 'written');
      assert.equal(results[4].download, 'good_comp.zip');
      assert.deepEqual(problems, []);
    });
  }
});
