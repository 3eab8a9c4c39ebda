// Where the page's time goes while it converts files, in Chromium: a CPU
// profile of the page's main thread and one of its worker, taken over the
// DevTools protocol from handing the files to the page's input to the last
// file's status, on a freshly loaded page as in web_bench.mjs. Prints each
// thread's busiest functions by their own time and by their time with what
// they call, and writes both profiles as .cpuprofile files (DevTools'
// Performance panel opens them).
//   node bench/web_profile.mjs [--thorough] [--rounds N] [--out FOLDER] FILE...
// WebAssembly functions have names only in a core linked with
// --profiling-funcs (scripts/web.sh leaves them out).
import { mkdirSync, writeFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { Scope, serve, launch, openPage, skipReason } from '../tests/web/harness.mjs';

const args = process.argv.slice(2);
const option = (name, fallback) => {
  const at = args.indexOf(name);
  if (at < 0) return fallback;
  const [, value] = args.splice(at, 2);
  return value;
};
const thorough = args.includes('--thorough');
if (thorough) args.splice(args.indexOf('--thorough'), 1);
const rounds = Number(option('--rounds', 1));
const out = resolve(option('--out', 'build-web/profiles'));
const paths = args.map((path) => resolve(path));
const reason = skipReason() || (paths.length ? false : 'no file given');
if (reason) {
  console.error(`web_profile.mjs: ${reason}`);
  process.exit(1);
}

// Own and total milliseconds of each function of a profile, busiest first.
function summary(profile) {
  const nodes = new Map(profile.nodes.map((node) => [node.id, node]));
  const parent = new Map();
  for (const node of profile.nodes) for (const child of node.children ?? []) parent.set(child, node.id);
  const own = new Map();
  const total = new Map();
  const label = (node) => {
    const frame = node.callFrame;
    const file = frame.url ? frame.url.split('/').pop() : '';
    // C++ names without their template arguments and parameters, which say little and take lines.
    let name = frame.functionName || '(anonymous)';
    if (name.startsWith('(')) return name;
    for (let shorter; (shorter = name.replace(/<[^<>]*>/g, '')) !== name;) name = shorter;
    name = name.replace(/\(.*\)( const)?$/, '()').replace(/std::__2::/g, 'std::').replace(/json_abi_v[\d_]+::/g, '');
    if (file.endsWith('.wasm') || /^[0-9a-f]{8}$/.test(file)) return name;
    return `${name} ${file}${frame.lineNumber >= 0 ? ':' + (frame.lineNumber + 1) : ''}`;
  };
  const times = profile.timeDeltas;
  for (let i = 0; i < profile.samples.length; ++i) {
    const ms = (times[i + 1] ?? 0) / 1000;
    let node = nodes.get(profile.samples[i]);
    own.set(label(node), (own.get(label(node)) ?? 0) + ms);
    const seen = new Set();
    for (; node; node = nodes.get(parent.get(node.id))) {
      const name = label(node);
      if (seen.has(name)) continue;
      seen.add(name);
      total.set(name, (total.get(name) ?? 0) + ms);
    }
  }
  const top = (map, n) => [...map].sort((a, b) => b[1] - a[1]).slice(0, n);
  return { own: top(own, 30), total: top(total, 30) };
}

function print(title, profile) {
  const { own, total } = summary(profile);
  console.log(`\n${title}: own time`);
  for (const [name, ms] of own) console.log(`  ${ms.toFixed(1).padStart(8)} ms  ${name}`);
  console.log(`${title}: with what it calls`);
  for (const [name, ms] of total) console.log(`  ${ms.toFixed(1).padStart(8)} ms  ${name}`);
}

const scope = new Scope();
try {
  mkdirSync(out, { recursive: true });
  const { address } = await serve(scope);
  const browser = await launch(scope, 'chromium');
  const { page } = await openPage(scope, browser, address);
  for (let round = 1; round <= rounds; ++round) {
    await page.goto(address, { waitUntil: 'load' });
    await page.waitForSelector('body[data-ready=true]');
    await page.$eval('#thorough', (box, on) => { if (box.checked !== on) box.click(); }, thorough);
    const worker = page.workers()[0];
    const sessions = [['page', await page.createCDPSession()], ['worker', worker.client]];
    for (const [, session] of sessions) {
      await session.send('Profiler.enable');
      await session.send('Profiler.setSamplingInterval', { interval: 100 });
      await session.send('Profiler.start');
    }
    const input = await page.$('#files');
    const start = process.hrtime.bigint();
    await input.uploadFile(...paths);
    await page.waitForFunction((n) => document.querySelectorAll('[data-file][data-status]').length === n,
                               { timeout: 0, polling: 'mutation' }, paths.length);
    const seconds = Number(process.hrtime.bigint() - start) / 1e9;
    console.log(`\nround ${round}: ${seconds.toFixed(3)} s for ${paths.length} file(s), ${thorough ? 'thorough' : 'classic'}`);
    for (const [name, session] of sessions) {
      const { profile } = await session.send('Profiler.stop');
      writeFileSync(join(out, `${name}-${round}.cpuprofile`), JSON.stringify(profile));
      print(name, profile);
    }
  }
  console.log(`\nprofiles in ${out}`);
} finally {
  await scope.close();
}
