// axe-core (pinned in package-lock.json) finds no accessibility violation on
// the page, in each engine: empty in English and in Japanese, and after
// converting a database with its details open.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { inEachEngine, openPage, convert, corpus, skipReason, root } from './harness.mjs';

const kAxe = join(root, 'node_modules/axe-core/axe.min.js');
const kDatabase = 'harbaum__palmos__IR-Pong2.prc';

// Every violation on the page now, one line each: rule, impact and where.
async function violations(page) {
  // Evaluated by the browser's automation, so the page's script policy does not apply.
  await page.evaluate(readFileSync(kAxe, 'utf8'));
  const { passed, found } = await page.evaluate(async () => {
    const results = await window.axe.run(document, { resultTypes: ['violations'] });
    return {
      passed: results.passes.length,
      found: results.violations.map((rule) => `${rule.id} (${rule.impact}): ` +
                                             rule.nodes.map((node) => node.target.join(' ')).join(', ')),
    };
  });
  // A run that checked nothing would find nothing too.
  assert.ok(passed > 10, `axe-core passed only ${passed} rules`);
  return found;
}

const skip = skipReason({ needCorpus: true }) || (existsSync(kAxe) ? false : `no ${kAxe}: run npm ci first`);

inEachEngine('accessibility', { skip }, (group) => {
  test('the empty page, in English and in Japanese', { timeout: 120000 }, async (t) => {
    const scope = group.scope(t);
    const address = await group.address('served');
    for (const language of ['en', 'ja']) {
      const { page } = await openPage(scope, group.browser, address, { language });
      assert.deepEqual(await violations(page), [], language);
    }
  });

  test('after converting a database, its details open', { timeout: 300000 }, async (t) => {
    const scope = group.scope(t);
    const { page, problems } = await openPage(scope, group.browser, await group.address('served'));
    const [converted] = await convert(page, [join(corpus, kDatabase)]);
    assert.equal(converted.status, 'written');
    const item = `[data-file="${kDatabase}"]`;
    await page.$eval(`${item} details.bitmaps`, (details) => { details.open = true; });
    await page.waitForSelector(`${item} details.bitmaps[data-ready]`);
    assert.deepEqual(await violations(page), []);
    assert.deepEqual(problems, []);
  });
});
