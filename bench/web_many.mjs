// The page over many files: the corpus given to one page again and again
// (7 times: 1,071 databases), in each engine. Prints, after every round, its
// time and the memory of the browser's processes together (resident set,
// from /proc), and in Chromium the page's JavaScript heap after a garbage
// collection, so that a list that slows down or memory that grows shows.
//   node bench/web_many.mjs [ROUNDS]        (PRESSLING_BROWSERS=chromium or firefox for one engine)
// Needs scripts/web.sh.
import { readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { Scope, serve, launch, openPage, engines, corpus, corpusFiles, skipReason } from '../tests/web/harness.mjs';

const rounds = Number(process.argv[2] || 7);
const reason = skipReason({ needCorpus: true });
if (reason) {
  console.error(`web_many.mjs: ${reason}`);
  process.exit(1);
}

// The resident memory of process pid and of all its descendants, in MiB.
function treeMegabytes(pid) {
  const parents = new Map();
  for (const name of readdirSync('/proc').filter((n) => /^\d+$/.test(n))) {
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      parents.set(Number(name), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch { /* gone meanwhile */ }
  }
  const tree = new Set([pid]);
  for (let grew = true; grew;) {
    grew = false;
    for (const [child, parent] of parents) {
      if (tree.has(parent) && !tree.has(child)) { tree.add(child); grew = true; }
    }
  }
  let kib = 0;
  for (const member of tree) {
    try {
      const rss = readFileSync(`/proc/${member}/status`, 'utf8').match(/^VmRSS:\s+(\d+)/m);
      if (rss) kib += Number(rss[1]);
    } catch { /* gone meanwhile */ }
  }
  return kib / 1024;
}

const scope = new Scope();
try {
  const paths = corpusFiles().map((name) => join(corpus, name));
  const { address } = await serve(scope);
  for (const engine of engines) {
    const browser = await launch(scope, engine);
    const { page } = await openPage(scope, browser, address);
    const session = engine === 'chromium' ? await page.createCDPSession() : null;
    const heap = async () => {
      if (!session) return '';
      await session.send('HeapProfiler.collectGarbage');
      return `, page heap ${((await page.metrics()).JSHeapUsedSize / 1048576).toFixed(1)} MiB`;
    };
    console.log(`${engine}: the corpus (${paths.length} databases) ${rounds} times into one page, thorough mode`);
    console.log(`  loaded: browser ${treeMegabytes(browser.process().pid).toFixed(0)} MiB`);
    for (let round = 1; round <= rounds; ++round) {
      const input = await page.$('#files');
      const start = process.hrtime.bigint();
      await input.uploadFile(...paths);
      await page.waitForFunction((n) => document.querySelectorAll('[data-file][data-status]').length === n &&
                                 document.body.dataset.busy === 'false', { timeout: 0, polling: 100 }, round * paths.length);
      const seconds = Number(process.hrtime.bigint() - start) / 1e9;
      console.log(`  round ${round}: ${round * paths.length} files on the page, ${seconds.toFixed(3)} s, ` +
                  `browser ${treeMegabytes(browser.process().pid).toFixed(0)} MiB${await heap()}`);
    }
  }
} finally {
  await scope.close();
}
