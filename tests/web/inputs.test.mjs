// Bad inputs get one clear line each and the page goes on; the page fits a
// 360 px screen and its pick button is reached from the keyboard with a
// visible focus.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { randomBytes } from 'node:crypto';
import { copyFileSync, cpSync, readFileSync, renameSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { inEachEngine, targets, targetSkip, serve, openPage, convert, runCli, corpus, site, skipReason,
         temporaryFolder } from './harness.mjs';

const kGood = 'harbaum__palmos__IR-Pong2.prc';

// The site with its module wrapped so that the core traps on crash.prc, as
// it would on a fault inside it. The loader binds an export on its first call
// by assigning it again; that assignment replaces what the wrapper calls.
const kTrapping = `import createCore from './pressling-core.mjs';
export default async function createPressling(options) {
  const core = await createCore(options);
  let convert = core._pressling_convert;
  const trapping = (bytes, length, name, ...rest) => {
    if (core.UTF8ToString(name) === 'crash.prc') throw new WebAssembly.RuntimeError('unreachable');
    return convert(bytes, length, name, ...rest);
  };
  Object.defineProperty(core, '_pressling_convert', { get: () => trapping, set: (bound) => { convert = bound; } });
  return core;
}
`;

inEachEngine('inputs', { skip: skipReason({ needCorpus: true }) }, (group) => {
  for (const target of targets) {
    test(`${target} page: bad inputs fail one by one with a clear line, and a good file after them still converts`,
         { skip: targetSkip(target) || skipReason({ needCli: true }), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const folder = temporaryFolder(scope);
      const good = readFileSync(join(corpus, kGood));
      writeFileSync(join(folder, 'notes.txt'), 'not a database\n');
      writeFileSync(join(folder, 'empty.prc'), Buffer.alloc(0));
      writeFileSync(join(folder, 'truncated.prc'), good.subarray(0, Math.floor(good.length / 2)));
      writeFileSync(join(folder, 'header-only.prc'), good.subarray(0, 90));
      writeFileSync(join(folder, 'random.prc'), randomBytes(20 * 1024 * 1024));
      // A sound head before 64 MiB: the page holds it, in the worker as well, and refuses it as too large.
      writeFileSync(join(folder, 'large.prc'), Buffer.concat([good, Buffer.alloc(64 * 1024 * 1024 - good.length)]));
      copyFileSync(join(corpus, kGood), join(folder, kGood));
      const names = ['notes.txt', 'empty.prc', 'truncated.prc', 'header-only.prc', 'random.prc', 'large.prc', kGood];

      const { page, problems } = await openPage(scope, group.browser, await group.address(target));
      const results = await convert(page, names.map((name) => join(folder, name)), { thorough: true });

      assert.deepEqual(results.map((r) => r.name), names);
      for (const result of results.slice(0, -1)) {
        assert.equal(result.status, 'refused', result.name);
        assert.equal(result.download, null, result.name);
        // Japanese separates the name with a full-width colon.
        assert.match(result.detail, new RegExp(`^${result.name.replace('.', '\\.')}(: |：)\\S`), `${result.name}: one line naming it`);
        // The page in Japanese gives the reasons pressling-cli gives in a Japanese locale.
        const native = runCli(folder, result.name, true, { LANG: 'ja_JP.UTF-8' });
        assert.deepEqual(result.lines, native.lines.slice(1), `${result.name}: report lines`);
        assert.equal(`pressling-cli: ${result.detail}\n`, native.stderr, `${result.name}: the same reason as pressling-cli`);
      }
      const last = results[results.length - 1];
      assert.equal(last.status, 'written');
      assert.equal(last.download, 'harbaum__palmos__IR-Pong2_comp.prc');
      assert.equal(await page.$('#all[download]'), null, 'one output gives no archive');
      assert.deepEqual(problems, []);
    });

    test(`${target} page: at 360 px nothing scrolls sideways, and the pick button and a download link take the keyboard focus`,
         { skip: targetSkip(target), timeout: 120000 }, async (t) => {
      const scope = group.scope(t);
      const { page } = await openPage(scope, group.browser, await group.address(target), { width: 360, height: 740 });
      await convert(page, [join(corpus, kGood)]);
      await page.$eval(`[data-file="${kGood}"] details.bitmaps`, (details) => { details.open = true; });
      await page.waitForSelector(`[data-file="${kGood}"] details.bitmaps[data-ready]`);
      const width = await page.evaluate(() => document.documentElement.scrollWidth);
      assert.ok(width <= 360, `the page is ${width} px wide at 360 px`);

      await page.evaluate(() => document.activeElement?.blur());
      let reached = null;
      for (let i = 0; i < 5 && reached !== 'files'; ++i) {
        await page.keyboard.press('Tab');
        reached = await page.evaluate(() => document.activeElement?.id);
      }
      assert.equal(reached, 'files', 'Tab reaches the file input');
      const outline = await page.$eval('#files', (input) => getComputedStyle(input.closest('label')).outlineStyle);
      assert.notEqual(outline, 'none', 'the focused pick button shows its focus');

      // The download link, whose address is made only once it is about to be
      // used, is reached with Tab too, and has its address once focused.
      const link = `[data-file="${kGood}"] a[download]`;
      let onLink = false;
      for (let i = 0; i < 12 && !onLink; ++i) {
        await page.keyboard.press('Tab');
        onLink = await page.$eval(link, (a) => document.activeElement === a);
      }
      assert.ok(onLink, 'Tab reaches the download link');
      assert.match(await page.$eval(link, (a) => a.href), /^blob:/);
    });
  }


  test('served page: a failure inside the core fails that file only; the next file converts without another request',
       { timeout: 120000 }, async (t) => {
    const scope = group.scope(t);
    const folder = temporaryFolder(scope);
    const copy = join(folder, 'site');
    cpSync(site, copy, { recursive: true });
    renameSync(join(copy, 'pressling.mjs'), join(copy, 'pressling-core.mjs'));
    writeFileSync(join(copy, 'pressling.mjs'), kTrapping);
    copyFileSync(join(corpus, kGood), join(folder, 'crash.prc'));

    const { address, requests } = await serve(scope, copy);
    const { page, problems } = await openPage(scope, group.browser, address);
    const loaded = requests.length;
    const results = await convert(page, [join(folder, 'crash.prc'), join(corpus, kGood)]);
    assert.equal(results[0].status, 'failed');
    assert.match(results[0].detail, /^crash\.prc: .*unreachable/);
    assert.equal(results[0].download, null);
    assert.equal(results[1].status, 'written');
    assert.deepEqual(requests.slice(loaded), [], 'the fresh instance is made without a request');
    assert.deepEqual(problems, []);
  });
});
