// The page's device choice: beside the thorough-mode box, "Any device" by
// default, in the page's language, remembered like the language; the box
// shows checked while a target is chosen. A file converted for a device gets
// pressling-cli --device's output and report, and its details show each
// bitmap left out with its picture before and its reason.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { copyFileSync, readFileSync } from 'node:fs';
import { spawnSync } from 'node:child_process';
import { join } from 'node:path';
import { inEachEngine, openPage, waitReady, convert, download, environment, cli, corpus, skipReason,
         temporaryFolder } from './harness.mjs';

const kHighDensity = 'captaintouch__pBill__pBill_hires.prc';  // high-density bitmaps behind markers

function choice(page) {
  return page.evaluate(() => {
    const select = document.querySelector('#device');
    const box = document.querySelector('#thorough');
    return {
      value: select.value,
      texts: [...select.options].map((option) => option.textContent),
      checked: box.checked,
      disabled: box.disabled,
      note: document.querySelector('#device-help').textContent,
    };
  });
}

inEachEngine('device', { skip: skipReason() }, (group) => {
  test('the choice speaks the page\'s language, holds the thorough box and is remembered',
       { timeout: 120000 }, async (t) => {
    const scope = group.scope(t);
    const address = await group.address('served');
    const first = await openPage(scope, group.browser, address, { languages: ['en'] });
    const english = await choice(first.page);
    assert.deepEqual(english.texts, ['Any device', 'Palm OS 4 and older, any screen',
                                     'Palm OS 4 and older, 256 colours', 'Palm OS 4 and older, 16 greys',
                                     'Palm OS 4 and older, 4 greys', 'Palm OS 4 and older, black and white']);
    assert.equal(english.value, '');
    assert.match(english.note, /Palm OS 4 and older: on a Palm OS 5 device it still runs/);
    // Unchecked by the user, then a target: the box shows checked and cannot change.
    await first.page.click('#thorough');
    await first.page.select('#device', 'os4:2');
    assert.deepEqual(await choice(first.page).then(({ checked, disabled }) => ({ checked, disabled })),
                     { checked: true, disabled: true });

    const { page: later } = await openPage(scope, group.browser, address, { languages: ['en'], after: first });
    const remembered = await choice(later);
    assert.equal(remembered.value, 'os4:2', 'the next visit');
    assert.ok(remembered.checked && remembered.disabled);
    await later.select('#language', 'de');
    const german = await choice(later);
    assert.equal(german.value, 'os4:2');
    assert.equal(german.texts[0], 'Jedes Gerät');
    assert.equal(german.texts[4], 'Palm OS 4 und älter, 4 Graustufen');
    assert.match(german.note, /Palm OS 5/);
    assert.notEqual(german.note, english.note);
    await later.select('#device', '');
    const any = await choice(later);
    assert.ok(any.checked && !any.disabled, 'any device: the box as the user left it, here the default');
    await later.reload({ waitUntil: 'load' });
    await waitReady(later);
    assert.equal((await choice(later)).value, '', 'any device is remembered too');
  });

  test('a file made for a device is pressling-cli --device\'s, and its details show what was dropped',
       { skip: skipReason({ needCorpus: true, needCli: true }), timeout: 180000 }, async (t) => {
    const scope = group.scope(t);
    const { page, problems } = await openPage(scope, group.browser, await group.address('served'));
    await page.select('#device', 'os4');
    const [result] = await convert(page, [join(corpus, kHighDensity)]);
    assert.equal(result.status, 'written');

    const folder = temporaryFolder(scope);
    copyFileSync(join(corpus, kHighDensity), join(folder, kHighDensity));
    const run = spawnSync(cli, ['--device', 'os4', '--json', kHighDensity],
                          { cwd: folder, encoding: 'utf8', env: environment() });
    assert.equal(run.status, 0, run.stderr);
    const document = JSON.parse(run.stdout);
    // The four report lines and the target's, as pressling-cli prints them.
    assert.deepEqual(result.lines, document.files[0].report.slice(1));
    assert.equal(result.lines.length, 5);
    const saved = await download(page, `[data-file="${kHighDensity}"] a[download]`);
    assert.deepEqual(readFileSync(saved), readFileSync(join(folder, document.files[0].output)));

    const selector = `[data-file="${kHighDensity}"]`;
    await page.$eval(`${selector} details.bitmaps`, (details) => { details.open = true; });
    await page.waitForSelector(`${selector} details.bitmaps[data-ready]`);
    const rows = await page.$$eval(`${selector} li.bitmap.dropped`, (all) => all.map((row) => ({
      figures: row.querySelector('.figures').textContent,
      before: row.querySelectorAll('canvas[data-side="before"]').length,
      after: row.querySelectorAll('canvas[data-side="after"]').length,
    })));
    const dropped = document.files[0].bitmaps.filter((b) => b.output_offset === null);
    assert.equal(rows.length, dropped.length);
    assert.ok(rows.length > 0);
    assert.ok(rows.every((row) => row.after === 0), 'nothing after: the output has none of them');
    assert.ok(rows.some((row) => row.before === 1), 'a picture before');
    assert.ok(rows.every((row) => row.figures.includes('削除：')), rows[0].figures);
    const summary = await page.$eval(`${selector} details.bitmaps > summary`, (element) => element.textContent);
    assert.match(summary, new RegExp(`削除 ${dropped.length} 件$`));
    assert.deepEqual(problems, []);
  });
});
