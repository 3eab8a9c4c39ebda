// The page against pressling-cli in the same run: the generated 16 MiB
// database of bench/generated_database.h (few, large resources), a 15 MiB
// database of the corpus's real resources (bench/corpus_database.h: about
// 7,700 of them, where the cost per resource shows), and the whole corpus
// folder, each in classic and thorough mode. The page converts one file at a
// time in its worker, so pressling-cli runs with -j 1. Prints the medians and
// the ratio in each engine (goals: at most 1.5 times native on the two large
// databases, at most 3 times on the corpus). The page's time starts when the files are
// given to its input; the part before the input's change event is the
// browser taking the files over from the driver, which the page cannot
// speed up, and is printed too.
//   node bench/web_bench.mjs [ROUNDS] [CASE...]   (PRESSLING_BROWSERS=chromium or firefox for one engine)
// CASE keeps only the cases whose label holds it: generated, resources or corpus.
// Needs scripts/build.sh (pressling-cli, pressling_bench_convert) and scripts/web.sh.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { Scope, serve, launch, openPage, engines, cli, corpus, corpusFiles, root, skipReason } from '../tests/web/harness.mjs';

const rounds = Number(process.argv[2] || 5);
const chosen = process.argv.slice(3);
const writer = join(root, 'build/bench/pressling_bench_convert');
const reason = skipReason({ needCorpus: true, needCli: true }) ||
  (existsSync(writer) ? false : `no ${writer}: run scripts/build.sh first`);
if (reason) {
  console.error(`web_bench.mjs: ${reason}`);
  process.exit(1);
}

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

function nativeSeconds(work, args) {
  rmSync(join(work, 'out'), { recursive: true, force: true });
  const start = process.hrtime.bigint();
  spawnSync(cli, ['-j', '1', '-o', join(work, 'out'), ...args], { stdio: 'ignore' });
  return Number(process.hrtime.bigint() - start) / 1e9;
}

// From handing the files to the page to the last file's status, and the part
// of it until the page was told of the files.
async function pageSeconds(page, address, paths, thorough) {
  await page.goto(address, { waitUntil: 'load' });
  await page.waitForSelector('body[data-ready=true]');
  await page.$eval('#thorough', (box, on) => { if (box.checked !== on) box.click(); }, thorough);
  const input = await page.$('#files');
  const pageStart = await page.evaluate(() => {
    document.querySelector('#files').addEventListener('change', () => { window.filesGiven = performance.now(); },
                                                      { capture: true, once: true });
    return performance.now();
  });
  const start = process.hrtime.bigint();
  await input.uploadFile(...paths);
  await page.waitForFunction((n) => document.querySelectorAll('[data-file][data-status]').length === n,
                             { timeout: 0, polling: 'mutation' }, paths.length);
  const total = Number(process.hrtime.bigint() - start) / 1e9;
  const handOver = await page.evaluate((from) => (window.filesGiven - from) / 1000, pageStart);
  return { total, handOver };
}

const work = mkdtempSync(join(tmpdir(), 'pressling-web-bench-'));
const scope = new Scope();
scope.after(() => rmSync(work, { recursive: true, force: true }));
try {
  const generated = join(work, 'generated.prc');
  spawnSync(writer, ['--write-database', generated], { stdio: 'inherit' });
  // Written at bench time from the corpus; its first line counts its resources.
  const resources = join(work, 'resources.prc');
  const written = spawnSync(writer, ['--write-corpus-database', resources], { encoding: 'utf8' });
  if (written.status !== 0) throw new Error(`${writer} --write-corpus-database: ${written.stderr}`);
  const names = corpusFiles();
  const cases = [
    ['generated 16 MiB', [generated], [generated]],
    [`${written.stdout.split(' ')[0]} corpus resources`, [resources], [resources]],
    [`corpus (${names.length} databases)`, [corpus], names.map((name) => join(corpus, name))],
  ];
  const run = cases.filter(([label]) => chosen.length === 0 || chosen.some((word) => label.includes(word)));
  const { address } = await serve(scope);
  for (const engine of engines) {
    const browser = await launch(scope, engine);
    const { page } = await openPage(scope, browser, address);
    console.log(`median of ${rounds} rounds; pressling-cli -j 1 against the page in headless ${engine}`);
    for (const [label, cliArgs, paths] of run) {
      for (const thorough of [false, true]) {
        const native = [];
        const web = [];
        const handOver = [];
        for (let i = 0; i < rounds; ++i) {
          native.push(nativeSeconds(work, thorough ? ['--thorough', ...cliArgs] : cliArgs));
          const seconds = await pageSeconds(page, address, paths, thorough);
          web.push(seconds.total);
          handOver.push(seconds.handOver);
        }
        const [n, w, h] = [median(native), median(web), median(handOver)];
        console.log(`${label.padEnd(26)} ${thorough ? 'thorough' : 'classic '}  ` +
                    `pressling-cli ${n.toFixed(3)} s   page ${w.toFixed(3)} s   ${(w / n).toFixed(1)} times native` +
                    `   (hand-over ${h.toFixed(3)} s)`);
      }
    }
  }
} finally {
  await scope.close();
}
