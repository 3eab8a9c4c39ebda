// The served site is kept for use without the server: after one visit it
// loads and converts with the server stopped (stopped, not switched off in
// the browser, which would still let the service worker reach it), and a new
// version of the site replaces the kept one whole on the next visit.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { cpSync, copyFileSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { inEachEngine, serve, openPage, waitReady, convert, temporaryFolder, corpus, root, site,
         skipReason } from './harness.mjs';

const kGood = 'harbaum__palmos__IR-Pong2.prc';

const kept = (page) => page.evaluate(async () => {
  await navigator.serviceWorker.ready;
  return caches.keys();
});

inEachEngine('offline', { skip: skipReason({ needCorpus: true }) }, (group) => {
  test('after one visit the page loads and converts with the server stopped', { timeout: 180000 }, async (t) => {
    const scope = group.scope(t);
    const server = await serve(scope);
    const { page, problems } = await openPage(scope, group.browser, server.address);
    assert.equal((await kept(page)).length, 1, 'one kept version');
    await server.stop();

    await page.reload({ waitUntil: 'load' });
    await waitReady(page);
    const [result] = await convert(page, [join(corpus, kGood)]);
    assert.equal(result.status, 'written');
    assert.equal(result.download, 'harbaum__palmos__IR-Pong2_comp.prc');
    assert.deepEqual(problems, []);
  });

  test('a new version of the site replaces the kept one whole on the next visit', { timeout: 180000 }, async (t) => {
    const scope = group.scope(t);
    const copy = join(temporaryFolder(scope), 'site');
    cpSync(site, copy, { recursive: true });
    const server = await serve(scope, copy);
    const { page } = await openPage(scope, group.browser, server.address);
    const [first] = await kept(page);

    // The next version: another title and another style sheet, stamped as the build stamps it.
    writeFileSync(join(copy, 'index.html'),
                  readFileSync(join(copy, 'index.html'), 'utf8').replace('<title>Pressling</title>', '<title>Pressling 2</title>'));
    writeFileSync(join(copy, 'style.css'), readFileSync(join(copy, 'style.css'), 'utf8') + '\nh1 { color: rgb(1, 2, 3); }\n');
    copyFileSync(join(root, 'web/site/sw.js'), join(copy, 'sw.js'));
    const stamp = spawnSync('python3', [join(root, 'web/offline_stamp.py'), copy], { encoding: 'utf8' });
    assert.equal(stamp.status, 0, stamp.stderr);

    await page.goto(server.address, { waitUntil: 'load' });
    await waitReady(page);
    await page.waitForFunction((old) => caches.keys().then((names) => names.length === 1 && names[0] !== old),
                               { polling: 200, timeout: 60000 }, first);
    await server.stop();
    await page.reload({ waitUntil: 'load' });
    await waitReady(page);
    assert.equal(await page.title(), 'Pressling 2');
    assert.equal(await page.$eval('h1', (h1) => getComputedStyle(h1).color), 'rgb(1, 2, 3)');
  });
});
