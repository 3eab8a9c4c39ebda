// A .zip dropped on the page: one item listing its databases, and a
// NAME_comp.zip that pressling-cli would write for the same archive, entry
// by entry and byte for byte: the page converts archives with the same
// archive module and the same libzip and zlib. "download all" includes it.
// Archives that are no archives, or damaged ones, are refused with
// pressling-cli's reason.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { unzipSync } from 'fflate';
import { inEachEngine, targets, targetSkip, openPage, convert, runCli, download, corpus, corpusFiles, root,
         skipReason, temporaryFolder } from './harness.mjs';

const kWritten = 'harbaum__palmos__IR-Pong2.prc';       // made smaller in thorough mode
const kNoEffect = 'harbaum__palmos__axxPacShell.prc';   // no effect in thorough mode
const kOther = 'ardiri__palmos-hexxagon__hexxagon_en.prc';  // no effect in thorough mode either
const kZipTool = join(root, 'tests/archive/zip_tool.py');

function zipTool(...args) {
  const run = spawnSync('python3', [kZipTool, ...args], { encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.equal(run.status, 0, run.stderr);
  return run.stdout;
}

// An archive from a layout of zip_tool.py (make: Python's zipfile; infozip: the zip program).
function makeZip(command, path, entries, comment = '') {
  const layout = `${path}.json`;
  writeFileSync(layout, JSON.stringify({ comment, entries }));
  zipTool(command, layout, path);
}

const hex = (text, encoding = 'utf8') => Buffer.from(text, encoding).toString('hex');
// "はじめに.txt" and friends as a Japanese Windows tool names them: code page 932.
const cp932 = (text) => spawnSync('iconv', ['-t', 'CP932'], { input: text }).stdout.toString('hex');

// Every field of every entry as zip_tool.py lists it: names and comments as
// bytes, times, attributes, extra fields (central and local), the hash of
// the stored bytes, and of the data.
const listZip = (path) => JSON.parse(zipTool('list', path));

// The page's archive against pressling-cli's: entry by entry, then byte for byte.
function assertSameArchive(saved, native, what) {
  const page = listZip(saved);
  const cli = listZip(native);
  assert.equal(page.comment_hex, cli.comment_hex, `${what}: the archive's comment`);
  assert.equal(page.entries.length, cli.entries.length, `${what}: the number of entries`);
  page.entries.forEach((entry, i) => assert.deepEqual(entry, cli.entries[i], `${what}: entry ${i}`));
  assert.ok(readFileSync(saved).equals(readFileSync(native)), `${what}: byte for byte`);
}

// pressling-cli on a copy of the archive in a folder of its own, in thorough mode.
function cliArchive(scope, path, variables = {}) {
  const folder = temporaryFolder(scope);
  const name = path.split('/').pop();
  copyFileSync(path, join(folder, name));
  const run = runCli(folder, name, true, variables);
  const output = join(folder, name.replace(/\.zip$/i, '_comp.zip'));
  return { ...run, output: existsSync(output) ? output : null };
}

async function databasesOf(page, name) {
  return page.$$eval(`[data-file="${name}"] .database`, (items) => items.map((item) => ({
    label: item.dataset.entry, status: item.dataset.status,
    lines: item.querySelector('.report').textContent.split('\n').filter((line) => line !== ''),
    detail: item.querySelector('.detail')?.textContent ?? null })));
}

// The archives a user's tools write, each with what the page must list of its databases.
function userArchives(folder) {
  const db = (name) => join(corpus, name);
  const archives = [];
  const cp = join(folder, 'irpong.zip');
  makeZip('infozip', cp, [
    { name_hex: hex('IRPONG2.PRC'), source: db(kWritten), mtime: 1000000000, mode: 0o755 },
    { name_hex: cp932('はじめに.txt'), text: 'IRPONG2.PRC を HotSync でインストールしてください。\n', mtime: 1000000001 },
    { name_hex: cp932('ゲーム/ピンポン.PRC'), source: db(kWritten), mtime: 1000000003 },
    { name_hex: cp932('ゲーム/ヘキサゴン.prc'), source: db(kOther), mtime: 1000000005, mode: 0o600 },
  ], 'IRPONG2 1.0');
  archives.push({ path: cp, labels: ['irpong.zip:IRPONG2.PRC', 'irpong.zip:ゲーム/ピンポン.PRC', 'irpong.zip:ゲーム/ヘキサゴン.prc'],
                  statuses: ['written', 'written', 'no-effect'] });

  const secret = join(folder, 'secret.zip');
  makeZip('infozip', secret, [
    { name_hex: hex('LOCKED.PRC'), source: db(kWritten), password: 'palm' },
    { name_hex: hex('STORED.PRC'), source: db(kWritten), password: 'palm', store: true },
    { name_hex: hex('OPEN.PRC'), source: db(kWritten) },
  ]);
  archives.push({ path: secret, labels: ['secret.zip:LOCKED.PRC', 'secret.zip:STORED.PRC', 'secret.zip:OPEN.PRC'],
                  statuses: ['left-alone', 'left-alone', 'written'] });

  const rich = join(folder, 'rich.zip');
  makeZip('make', rich, [
    { name_hex: hex('IR-Pong2.prc'), source: db(kWritten), date_time: [1999, 12, 31, 23, 59, 58],
      comment: 'the game', external_attr: (0o100755 << 16) >>> 0, create_system: 3,
      extra_hex: 'feca0400' + hex('PALM') },  // a field of id 0xcafe the writer knows nothing of
    { name_hex: hex('notes.txt'), text: 'read me first\n', method: 'store', date_time: [2010, 6, 15, 8, 30, 12],
      comment: 'notes', external_attr: 0x21, create_system: 0 },  // read-only and archived, on DOS
    { name_hex: hex('Sub/AXXPACSHELL.PRC'), source: db(kNoEffect), date_time: [1985, 1, 1, 0, 0, 0],
      comment: 'ここ', external_attr: 0 },
  ], 'times, comments and attributes');
  archives.push({ path: rich, labels: ['rich.zip:IR-Pong2.prc', 'rich.zip:Sub/AXXPACSHELL.PRC'],
                  statuses: ['written', 'no-effect'] });

  const games = join(folder, 'games.zip');
  const readme = 'Install both databases with your HotSync tool.\n';
  makeZip('make', games, [
    { name_hex: hex('IR-Pong2.prc'), source: db(kWritten) },
    { name_hex: hex('docs/readme.txt'), text: readme },
    { name_hex: hex('Sub/AXXPACSHELL.PRC'), source: db(kNoEffect), method: 'store' },
    { name_hex: hex('data/hexxagon.pdb'), source: db(kOther) },
    { name_hex: hex('IR-Pong2.prc'), source: db(kOther) },  // a second entry of the same name
    { name_hex: hex('../outside.prc'), source: db(kWritten), method: 'store' },
  ], 'games for the handheld');
  archives.push({ path: games, labels: ['games.zip:IR-Pong2.prc', 'games.zip:Sub/AXXPACSHELL.PRC',
                                        'games.zip:IR-Pong2.prc', 'games.zip:../outside.prc'],
                  statuses: ['written', 'no-effect', 'no-effect', 'written'] });
  return archives;
}

inEachEngine('archives', { skip: skipReason({ needCorpus: true, needCli: true }) }, (group) => {
  for (const target of targets) {
    test(`${target} page: archives of users' tools give pressling-cli's NAME_comp.zip byte for byte, and "download all" holds them`,
         { skip: targetSkip(target), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const folder = temporaryFolder(scope);
      const archives = userArchives(folder);
      const { page, problems } = await openPage(scope, group.browser, await group.address(target));
      const results = await convert(page, archives.map((archive) => archive.path), { thorough: true });
      const saved = {};
      for (const [i, archive] of archives.entries()) {
        const name = archive.path.split('/').pop();
        const result = results[i];
        assert.equal(result.status, 'written', `${name}: ${result.detail}`);
        assert.equal(result.download, name.replace('.zip', '_comp.zip'));
        const listed = await databasesOf(page, name);
        assert.deepEqual(listed.map((item) => item.label), archive.labels, name);
        assert.deepEqual(listed.map((item) => item.status), archive.statuses, name);

        const native = cliArchive(scope, archive.path);
        // The archive's lines are pressling-cli's, the two lengths of the archive file too.
        const at = native.lines.indexOf(result.lines[0]);
        assert.ok(at > 0, `${name}: pressling-cli prints the page's first archive line ${result.lines[0]}`);
        assert.deepEqual(result.lines, native.lines.slice(at, at + result.lines.length), name);
        // Each database's lines are the ones pressling-cli prints under its label, after its progress line.
        let cursor = 0;
        for (const item of listed) {
          const from = native.lines.indexOf(item.lines[0], native.lines.indexOf(item.label, cursor));
          assert.deepEqual(item.lines, native.lines.slice(from, from + item.lines.length), item.label);
          cursor = from + item.lines.length;
        }
        saved[name] = await download(page, `[data-file="${name}"] a[download]`);
        assertSameArchive(saved[name], native.output, name);
      }

      // What the archives hold beside the databases is what they held before.
      const before = listZip(archives[2].path);
      const after = listZip(saved['rich.zip']);
      for (const [i, entry] of after.entries.entries()) {
        for (const key of ['name_hex', 'comment_hex', 'date_time', 'external_attr', 'create_system', 'extra_hex'])
          assert.deepEqual(entry[key], before.entries[i][key], `rich.zip entry ${i}: ${key}`);
      }
      assert.equal(after.comment_hex, before.comment_hex);
      const irpong = listZip(saved['irpong.zip']);
      assert.equal(irpong.entries[1].name_hex, cp932('はじめに.txt'), 'the readme keeps its name as bytes');
      assert.equal(irpong.entries[1].stored_sha256, listZip(archives[0].path).entries[1].stored_sha256);
      const secret = listZip(saved['secret.zip']);
      const locked = listZip(archives[1].path);
      for (const i of [0, 1]) assert.equal(secret.entries[i].stored_sha256, locked.entries[i].stored_sha256, `encrypted entry ${i}`);
      const check = spawnSync('unzip', ['-tq', '-P', 'palm', saved['secret.zip']], { encoding: 'utf8' });
      assert.equal(check.status, 0, check.stdout + check.stderr);

      const all = unzipSync(readFileSync(await download(page, '#all')));
      assert.ok(Buffer.from(all['games_comp.zip']).equals(readFileSync(saved['games.zip'])),
                'download all holds the archive');
      assert.deepEqual(problems, []);
    });

    test(`${target} page: the whole corpus in one archive gives pressling-cli's archive`,
         { skip: targetSkip(target), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const folder = temporaryFolder(scope);
      const run = spawnSync('zip', ['-qj', join(folder, 'corpus.zip'), ...corpusFiles().map((name) => join(corpus, name))]);
      assert.equal(run.status, 0);
      const native = cliArchive(scope, join(folder, 'corpus.zip'));

      const { page, problems } = await openPage(scope, group.browser, await group.address(target));
      const [result] = await convert(page, [join(folder, 'corpus.zip')]);
      assert.equal(result.status, 'written', result.detail);
      assertSameArchive(await download(page, '[data-file="corpus.zip"] a[download]'), native.output, 'corpus.zip');
      assert.deepEqual(problems, []);
    });

    test(`${target} page: damaged archives and entries are handled as pressling-cli handles them, and the next converts`,
         { skip: targetSkip(target), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const folder = temporaryFolder(scope);
      const good = join(folder, 'good.zip');
      makeZip('make', good, [{ name_hex: hex('IR-Pong2.prc'), source: join(corpus, kWritten) }]);
      const whole = readFileSync(good);
      writeFileSync(join(folder, 'truncated.zip'), whole.subarray(0, whole.length - 30));  // the end record cut off
      writeFileSync(join(folder, 'notes.zip'), 'not an archive\n');
      // An empty entry whose local header leads past the end of the file, found by fuzzing.
      copyFileSync(join(root, 'tests/hardening/regressions/archive/empty-entry-header-past-the-end.zip'),
                   join(folder, 'header.zip'));
      zipTool('bad', 'bomb-lie', '/dev/null', join(folder, 'bomb.zip'));  // 1 GiB of zeros said to be 1000 bytes
      zipTool('bad', 'crc-stored', join(corpus, kWritten), join(folder, 'stored.zip'));  // app.prc's checksum is wrong
      const refused = ['truncated.zip', 'notes.zip', 'header.zip'];
      const names = [...refused, 'bomb.zip', 'stored.zip', 'good.zip'];
      const english = { LANGUAGE: 'en', LANG: 'C.UTF-8' };

      const { page, problems } = await openPage(scope, group.browser, await group.address(target), { language: 'en' });
      const results = await convert(page, names.map((name) => join(folder, name)), { thorough: true });
      for (const [i, name] of refused.entries()) {
        const native = cliArchive(scope, join(folder, name), english);
        assert.equal(results[i].status, 'refused', name);
        assert.equal(results[i].download, null, name);
        // The reason is pressling-cli's, word for word.
        assert.equal(native.status, 1);
        assert.ok(native.stderr.startsWith(`pressling-cli: ${results[i].detail}\n`), `${name}: ${native.stderr}`);
      }
      assert.match(results[2].detail, /^header\.zip: not a zip archive, or a damaged one: the local header of an entry without data leads past the end of the file$/);

      // An entry past the limit, or whose stored checksum fails, is refused and copied as it was.
      assert.equal(results[3].status, 'no-effect');
      const [bomb] = await databasesOf(page, 'bomb.zip');
      assert.equal(bomb.status, 'refused');
      assert.equal(bomb.detail, 'bomb.zip:bomb.prc: It inflates to more than 64 MiB; copied as it was');
      assert.equal(results[4].status, 'written', results[4].detail);
      const stored = await databasesOf(page, 'stored.zip');
      assert.deepEqual(stored.map((item) => [item.label, item.status]),
                       [['stored.zip:app.prc', 'refused'], ['stored.zip:other.prc', 'written']]);
      assert.equal(stored[0].detail, 'stored.zip:app.prc: Its data do not match the stored checksum; copied as it was');
      const native = cliArchive(scope, join(folder, 'stored.zip'), english);
      assert.equal(native.status, 1);
      assert.ok(native.stderr.includes(`pressling-cli: ${stored[0].detail}\n`), native.stderr);
      assertSameArchive(await download(page, '[data-file="stored.zip"] a[download]'), native.output, 'stored.zip');

      assert.equal(results[5].status, 'written');
      assert.equal(results[5].download, 'good_comp.zip');
      assert.deepEqual(problems, []);
    });
  }
});
