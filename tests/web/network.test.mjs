// Nothing leaves the browser: every request of the page and of its worker is
// intercepted at the browser, and only those for the page's own server are
// let through. Once the page has loaded, converting, showing details,
// switching the language and making the archive make no request at all.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { serve, launch, openPage, convert, corpus, skipReason } from './harness.mjs';

// Intercepts the requests of every page and worker of browser; records each
// and lets through only those for origin.
async function interceptAll(browser, origin) {
  const seen = [];
  const session = await browser.target().createCDPSession();
  session.on('Fetch.requestPaused', ({ requestId, request }) => {
    seen.push(request.url);
    const own = new URL(request.url).origin === origin;
    session.send(own ? 'Fetch.continueRequest' : 'Fetch.failRequest',
                 own ? { requestId } : { requestId, errorReason: 'BlockedByClient' }).catch(() => {});
  });
  await session.send('Fetch.enable', { patterns: [{ urlPattern: '*' }] });
  return seen;
}

const kGood = ['harbaum__palmos__IR-Pong2.prc', 'ardiri__palmos-hexxagon__hexxagon_en.prc'];

test('the page asks only its own server, and nothing at all once loaded',
     { skip: skipReason({ needCorpus: true }), timeout: 180000 }, async (t) => {
  const { address, requests } = await serve(t);
  const origin = new URL(address).origin;
  const browser = await launch(t);
  const seen = await interceptAll(browser, origin);
  const { page, problems } = await openPage(browser, address);
  await new Promise((resolve) => setTimeout(resolve, 500));
  assert.ok(seen.some((url) => url.endsWith('/pressling.wasm')), 'the worker\'s requests are intercepted');
  for (const url of seen) assert.equal(new URL(url).origin, origin, `a request elsewhere: ${url}`);
  const loaded = { intercepted: seen.length, server: requests.length };

  const policy = await page.$eval('meta[http-equiv=Content-Security-Policy]', (meta) => meta.content);
  assert.match(policy, /default-src 'self'/);
  assert.match(policy, /'wasm-unsafe-eval'/);
  assert.doesNotMatch(policy, /https?:|\*/, 'the policy names no other origin');

  await convert(page, [join(corpus, kGood[0]), join(corpus, kGood[1]), '/etc/hostname'], { thorough: true });
  await convert(page, [join(corpus, kGood[0])], { thorough: false });
  await page.waitForSelector('#all[download]');
  for (const details of await page.$$('details.bitmaps')) await details.evaluate((d) => { d.open = true; });
  await page.waitForFunction(() => [...document.querySelectorAll('details.bitmaps')].every((d) => d.dataset.ready));
  for (const tag of ['en', 'de', 'fr', 'ja']) await page.select('#language', tag);
  // The policy stops a request elsewhere before it is made.
  const refused = await page.evaluate(() => fetch('http://example.com/').then(() => 'fetched', () => 'refused'));
  assert.equal(refused, 'refused');
  await new Promise((resolve) => setTimeout(resolve, 500));

  assert.deepEqual(seen.slice(loaded.intercepted), [], 'requests after load');
  assert.deepEqual(requests.slice(loaded.server), [], 'requests the server saw after load');
  assert.equal(await page.evaluate(() => document.cookie), '');
  assert.deepEqual(await page.cookies(), []);
  // The page keeps one thing: the language chosen on its switch.
  assert.deepEqual(await page.evaluate(() => Object.keys(localStorage).concat(Object.keys(sessionStorage))),
                   ['pressling.language']);
  assert.deepEqual(problems, []);
});
