// Nothing leaves the browser. Each page's browser context sends every request
// for another origin to a proxy that lets nothing through and records it, so
// requests of the page and of its worker alike are seen in either engine. The
// served page asks only its own server, and nothing once loaded; the single
// file opened from the disk asks nothing at all. Converting, showing details,
// switching the language and making the archive make no request.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { inEachEngine, targets, targetSkip, trap, openPage, convert, corpus, skipReason } from './harness.mjs';

const kGood = ['harbaum__palmos__IR-Pong2.prc', 'ardiri__palmos-hexxagon__hexxagon_en.prc'];
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

inEachEngine('requests', { skip: skipReason({ needCorpus: true }) }, (group) => {
  for (const target of targets) {
    test(`${target} page: no request leaves the page once loaded, and none for another origin ever`,
         { skip: targetSkip(target), timeout: 180000 }, async (t) => {
      const scope = group.scope(t);
      const address = await group.address(target);
      const { proxy, seen } = await trap(scope);
      const { page, problems } = await openPage(scope, group.browser, address, { proxy });
      const asked = [];
      page.on('request', (request) => asked.push(request.url()));
      await pause(500);
      const server = group.server ? group.server.requests : [];
      const loaded = server.length;
      if (target === 'served') assert.ok(server.some((line) => line.endsWith('/pressling.wasm')), 'the worker asked for its WebAssembly');

      const policy = await page.$eval('meta[http-equiv=Content-Security-Policy]', (meta) => meta.content);
      assert.match(policy, target === 'file' ? /default-src 'none'/ : /default-src 'self'/);
      assert.match(policy, /'wasm-unsafe-eval'/);
      assert.doesNotMatch(policy, /https?:|\*/, 'the policy names no other origin');
      assert.doesNotMatch(policy, /'unsafe-inline'|'unsafe-eval'/);
      if (target === 'file') {
        assert.match(policy, /script-src 'sha256-[A-Za-z0-9+/]+=*' 'wasm-unsafe-eval'/, 'the inline script by its hash');
        assert.match(policy, /style-src 'sha256-[A-Za-z0-9+/]+=*'/, 'the inline styles by their hash');
        assert.match(policy, /worker-src blob:/);
      }

      await convert(page, [join(corpus, kGood[0]), join(corpus, kGood[1]), '/etc/hostname'], { thorough: true });
      await convert(page, [join(corpus, kGood[0])], { thorough: false });
      await page.waitForSelector('#all[download]');
      for (const details of await page.$$('details.bitmaps')) await details.evaluate((d) => { d.open = true; });
      await page.waitForFunction(() => [...document.querySelectorAll('details.bitmaps')].every((d) => d.dataset.ready));
      await page.click('#language');
      await page.click('#language');
      await pause(500);
      // Blob and data: addresses are read inside the browser, not requested.
      const askedAfterLoad = asked.filter((url) => !url.startsWith('blob:') && !url.startsWith('data:'));
      const problemsBefore = [...problems];
      // The policy stops a request elsewhere before it is made (Firefox reports that as an error of the page).
      const refused = await page.evaluate(() => fetch('http://example.com/').then(() => 'fetched', () => 'refused'));
      assert.equal(refused, 'refused');
      await pause(500);

      assert.deepEqual(seen, [], 'requests for another origin');
      assert.deepEqual(server.slice(loaded), [], 'requests the server saw after load');
      assert.deepEqual(askedAfterLoad, [], 'requests of the page after load');
      assert.equal(await page.evaluate(() => document.cookie), '');
      assert.equal(await page.evaluate(() => localStorage.length + sessionStorage.length), 0);
      assert.deepEqual(problemsBefore, []);
      for (const problem of problems.slice(problemsBefore.length)) assert.match(problem, /http:\/\/example\.com\//);
    });
  }
});
