// The page speaks its user's language: the first of the browser's languages
// it knows, English for any other, then the one chosen on its switch,
// remembered between visits. Labels, outcomes, report lines and reasons
// follow; in Japanese the report is pressling-cli's default one.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { copyFileSync } from 'node:fs';
import { join } from 'node:path';
import { inEachEngine, openPage, waitReady, convert, runCli, corpus, skipReason, temporaryFolder } from './harness.mjs';

const kWritten = 'harbaum__palmos__IR-Pong2.prc';        // written in thorough mode, with bitmaps left alone
const kNoEffect = 'harbaum__palmos__axxPacShell.prc';    // no effect in thorough mode, though bitmaps would change
const kJapanese = /[\u3000-\u30ff\u4e00-\u9fff\uff00-\uffef]/;

function shown(page) {
  return page.evaluate(() => ({
    lang: document.documentElement.lang,
    choice: document.querySelector('#language').value,
    mode: document.querySelector('.mode label').textContent.trim(),
  }));
}

// The texts of a converted file as a person sees them, its details open.
async function read(page, name) {
  const selector = `[data-file="${name}"]`;
  await page.$eval(`${selector} details.bitmaps`, (details) => { details.open = true; });
  await page.waitForSelector(`${selector} details.bitmaps[data-ready]`);
  return page.$eval(selector, (element) => ({
    outcome: element.querySelector('.outcome').textContent,
    lines: element.querySelector('.report').textContent.split('\n').filter((line) => line !== ''),
    summary: element.querySelector('details.bitmaps > summary').textContent,
    figures: [...element.querySelectorAll('.figures')].map((line) => line.textContent),
    reasons: [...element.querySelectorAll('.left-alone li')].map((line) => line.textContent),
  }));
}

inEachEngine('language', { skip: skipReason() }, (group) => {
  test('the language is the first of the browser\'s the page speaks, else English; a switch is remembered',
       { timeout: 120000 }, async (t) => {
    const scope = group.scope(t);
    const address = await group.address('served');
    const cases = [
      { languages: ['it-IT', 'de-CH', 'en'], lang: 'de', mode: 'Gründlicher Modus' },
      { languages: ['pt-BR', 'es'], lang: 'en', mode: 'Thorough mode' },
      { languages: ['fr-CA'], lang: 'fr', mode: 'Mode approfondi' },
      { languages: ['ja-JP', 'en-US'], lang: 'ja', mode: '徹底モード' },
    ];
    for (const { languages, lang, mode } of cases) {
      const { page } = await openPage(scope, group.browser, address, { languages });
      assert.deepEqual(await shown(page), { lang, choice: lang, mode }, languages.join(', '));
    }

    const first = await openPage(scope, group.browser, address, { languages: ['ja'] });
    await first.page.select('#language', 'de');
    assert.deepEqual(await shown(first.page), { lang: 'de', choice: 'de', mode: 'Gründlicher Modus' }, 'after the switch');
    // The next visit in the same browser profile.
    const { page: later } = await openPage(scope, group.browser, address, { languages: ['ja'], after: first });
    assert.deepEqual(await shown(later), { lang: 'de', choice: 'de', mode: 'Gründlicher Modus' }, 'the next visit');
    await later.select('#language', 'fr');
    await later.reload({ waitUntil: 'load' });
    await waitReady(later);
    assert.equal((await shown(later)).lang, 'fr', 'after a reload');
  });

  test('in English the report, outcomes, details and reasons are English; in Japanese the report is pressling-cli\'s',
       { skip: skipReason({ needCorpus: true, needCli: true }), timeout: 180000 }, async (t) => {
    const scope = group.scope(t);
    const { page, problems } = await openPage(scope, group.browser, await group.address('served'),
                                              { languages: ['en-GB'] });
    await convert(page, [join(corpus, kWritten), join(corpus, kNoEffect)], { thorough: true });

    const written = await read(page, kWritten);
    assert.equal(written.outcome, 'Output written');
    assert.match(written.summary, /^Details: \d+ changed, \d+ left alone$/);
    assert.ok(written.reasons.length > 0, 'IR-Pong2 has bitmaps left alone');
    const noEffect = await read(page, kNoEffect);
    assert.equal(noEffect.outcome, 'No effect');
    assert.match(noEffect.summary, /^Details: 2 would have changed, \d+ left alone$/);
    assert.ok(noEffect.figures.every((line) => line.includes(', would have been ')), noEffect.figures.join('\n'));
    for (const [name, seen] of [[kWritten, written], [kNoEffect, noEffect]]) {
      assert.ok(seen.lines.length >= 4, `${name}: report lines`);
      for (const text of [seen.outcome, seen.summary, ...seen.lines, ...seen.figures, ...seen.reasons]) {
        assert.doesNotMatch(text, kJapanese, `${name}: Japanese in English: ${text}`);
      }
    }

    // German writes the ratio with a decimal comma.
    await page.select('#language', 'de');
    const german = await read(page, kWritten);
    assert.equal(german.outcome, 'Ausgabe geschrieben');
    assert.match(german.lines[3], /^Verhältnis: \d+,\d %$/);

    // The switch relabels what is shown, report and reasons too; in Japanese the
    // report is pressling-cli's default one, and so is that of the next files.
    await page.select('#language', 'ja');
    const relabelled = await read(page, kWritten);
    assert.equal(relabelled.outcome, '作成しました');
    const native = temporaryFolder(scope);
    copyFileSync(join(corpus, kWritten), join(native, kWritten));
    assert.deepEqual(relabelled.lines, runCli(native, kWritten, true).lines.slice(1));
    assert.ok(written.reasons.some((line) => line.endsWith(', 1-bit: no codec makes it smaller')), written.reasons[0]);
    assert.equal(relabelled.reasons.length, written.reasons.length);
    assert.ok(relabelled.reasons.some((line) => line.endsWith(', 1 ビット: どの圧縮方式でも小さくならない')),
              relabelled.reasons[0]);
    assert.match((await read(page, kNoEffect)).summary, /^詳細：変更されるはずだったもの 2 件、/);
    const folder = temporaryFolder(scope);
    const names = ['again.prc', 'again-no-effect.prc'];
    copyFileSync(join(corpus, kWritten), join(folder, names[0]));
    copyFileSync(join(corpus, kNoEffect), join(folder, names[1]));
    const results = await convert(page, names.map((name) => join(folder, name)), { thorough: true });
    for (const result of results) {
      const native = runCli(folder, result.name, true);
      assert.deepEqual(result.lines, native.lines.slice(1), `${result.name}: pressling-cli's default report lines`);
    }
    assert.deepEqual(problems, []);
  });
});
