// What the page's tests share: the built site served from 127.0.0.1 by
// web/serve.py, the single file build-web/pressling.html, Debian's Chromium
// and Firefox driven by puppeteer-core (Firefox over WebDriver BiDi), the
// corpus and the native pressling-cli to compare with.
import { spawn, spawnSync, execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { createInterface } from 'node:readline';
import { createServer } from 'node:http';
import { describe, before, after } from 'node:test';
import puppeteer from 'puppeteer-core';

export const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const site = process.env.PRESSLING_SITE || join(root, 'build-web/site');
export const singleFile = process.env.PRESSLING_SINGLE_FILE || join(root, 'build-web/pressling.html');
export const corpus = resolve(root, '../shared/corpus/real');
export const cli = process.env.PRESSLING_CLI || join(root, 'build/cli/pressling-cli');

// The corpus databases in name order, or null with the reason to skip.
export function corpusFiles() {
  if (!existsSync(corpus)) return null;
  return readdirSync(corpus).filter((name) => name.toLowerCase().endsWith('.prc')).sort();
}

export function skipReason({ needCorpus = false, needCli = false, needSingleFile = false } = {}) {
  if (!existsSync(join(site, 'index.html'))) return `no site at ${site}: run scripts/web.sh first`;
  if (needSingleFile && !existsSync(singleFile)) return `no ${singleFile}: run scripts/web.sh first`;
  if (needCorpus && corpusFiles() === null) return `no corpus at ${corpus}`;
  if (needCli && !existsSync(cli)) return `no pressling-cli at ${cli}: run scripts/build.sh first`;
  return false;
}

// Clean-ups of a test or of a group of tests, run in reverse order by close().
export class Scope {
  #steps = [];
  after(step) { this.#steps.push(step); }
  async close() {
    for (const step of this.#steps.reverse()) {
      try { await step(); } catch { /* the next clean-up still runs */ }
    }
    this.#steps = [];
  }
}

export function temporaryFolder(scope) {
  const folder = mkdtempSync(join(tmpdir(), 'pressling-web-'));
  scope.after(() => rmSync(folder, { recursive: true, force: true }));
  return folder;
}

// web/serve.py on a free port serving folder (the built site unless named);
// requests lists every path it was asked for; stop() ends it.
export async function serve(scope, folder = site, { port = 0 } = {}) {
  const server = spawn('python3', [join(root, 'web/serve.py'), '--port', String(port), '--log', folder],
                       { stdio: ['ignore', 'pipe', 'inherit'] });
  const ended = new Promise((resolveEnd) => server.once('exit', resolveEnd));
  const stop = async () => {
    if (server.exitCode === null && server.signalCode === null) server.kill();
    await ended;
  };
  scope.after(stop);
  const lines = createInterface({ input: server.stdout });
  const requests = [];
  const address = await new Promise((resolveAddress, reject) => {
    server.once('exit', (code) => reject(new Error(`serve.py ended with ${code}`)));
    lines.once('line', resolveAddress);
  });
  lines.on('line', (line) => requests.push(line));
  return { address, requests, stop };
}

// A proxy that lets nothing through and records every request the browser
// tried to send through it: given to a page's browser context, it sees every
// request for another origin, from the page and from its workers alike.
export async function trap(scope) {
  const seen = [];
  const server = createServer((request, response) => {
    seen.push(`${request.method} ${request.url}`);
    response.writeHead(503).end();
  });
  server.on('connect', (request, socket) => {
    seen.push(`CONNECT ${request.url}`);
    socket.destroy();
  });
  await new Promise((resolveListen) => server.listen(0, '127.0.0.1', resolveListen));
  scope.after(() => new Promise((resolveClose) => server.close(resolveClose)));
  return { proxy: `127.0.0.1:${server.address().port}`, seen };
}

// The engines the tests run in: both unless PRESSLING_BROWSERS names some.
export const engines = (process.env.PRESSLING_BROWSERS || 'chromium,firefox').split(',').filter(Boolean);

function executable(engine) {
  const variable = engine === 'firefox' ? 'FIREFOX' : 'CHROMIUM';
  if (process.env[variable]) return process.env[variable];
  const name = engine === 'firefox' ? 'firefox-esr' : 'chromium';
  try {
    return execFileSync('sh', ['-c', `command -v ${name}`], { encoding: 'utf8' }).trim();
  } catch {
    return null;
  }
}

export function engineSkip(engine) {
  return executable(engine) ? false : `no ${engine === 'firefox' ? 'firefox-esr' : 'chromium'} on the PATH`;
}

// The engine's browser, headless, with nothing downloaded and no profile kept.
export async function launch(scope, engine = 'chromium') {
  let browser;
  if (engine === 'firefox') {
    browser = await puppeteer.launch({ browser: 'firefox', executablePath: executable('firefox'), headless: true });
  } else {
    const args = ['--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
                  '--disable-default-apps'];
    if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
    browser = await puppeteer.launch({ executablePath: executable('chromium'), headless: true, args });
  }
  scope.after(() => browser.close());
  return browser;
}

// The single file's address, for opening it from the disk.
export const singleFileUrl = () => pathToFileURL(singleFile).href;

// A new page at address in a browser context of its own (its own storage,
// service workers and download folder; every request for another origin goes
// to proxy when one is given), or in the context of an earlier page, once its
// worker has loaded the WebAssembly. The browser's languages are languages,
// or language alone.
export async function openPage(scope, browser, address,
                               { width = 1000, height = 900, language = 'ja', languages = null, proxy, after } = {}) {
  let { context } = after ?? {};
  let downloads = after?.page.downloads;
  if (!context) {
    downloads = temporaryFolder(scope);
    context = await browser.createBrowserContext({
      downloadBehavior: { policy: 'allow', downloadPath: downloads },
      ...(proxy ? { proxyServer: proxy } : {}),
    });
    scope.after(() => context.close());
  }
  const page = await context.newPage();
  page.downloads = downloads;
  await page.setViewport({ width, height });
  await page.evaluateOnNewDocument((tags) => {
    Object.defineProperty(navigator, 'languages', { get: () => tags });
    Object.defineProperty(navigator, 'language', { get: () => tags[0] });
  }, languages ?? [language]);
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  page.console = [];
  page.on('console', (message) => page.console.push(`${message.type()}: ${message.text()}`));
  await page.goto(address, { waitUntil: 'load' });
  await waitReady(page);
  // The served site keeps its files for use without the server: once that
  // is done, the page makes no more requests.
  if (address.startsWith('http')) await page.evaluate(() => navigator.serviceWorker.ready.then(() => true));
  return { page, problems, context };
}

// Waits until the page's worker has loaded the WebAssembly.
export async function waitReady(page) {
  try {
    await page.waitForSelector('body[data-ready]', { timeout: 60000 });
  } catch (fault) {
    const state = await page.evaluate(() => JSON.stringify({ url: location.href, ...document.body.dataset }))
      .catch((error) => String(error));
    throw new Error(`${fault.message}; the page: ${state}; its console: ${JSON.stringify(page.console ?? [])}`);
  }
  const ready = await page.$eval('body', (body) => body.dataset.ready);
  if (ready !== 'true') throw new Error(`the page did not load its converter: ${ready}`);
}

// Gives the files to the page's file input in the chosen mode and waits
// until every one of them has its status.
export async function convert(page, paths, { thorough = true, timeout = 600000 } = {}) {
  const before = await page.$$eval('[data-file]', (all) => all.length);
  await page.$eval('#thorough', (box, on) => {
    if (box.checked !== on) box.click();
  }, thorough);
  const input = await page.$('#files');
  await input.uploadFile(...paths);
  const total = before + paths.length;
  await page.waitForFunction((n) => document.querySelectorAll('[data-file][data-status]').length === n &&
                             document.body.dataset.busy === 'false', { timeout, polling: 200 }, total);
  return page.$$eval('[data-file]', (all, from) => all.slice(from).map((element) => ({
    name: element.dataset.file,
    status: element.dataset.status,
    lines: element.querySelector('.report').textContent.split('\n').filter((line) => line !== ''),
    detail: element.querySelector('.detail')?.textContent ?? null,
    download: element.querySelector('a[download]')?.getAttribute('download') ?? null,
  })), before);
}

// The environment without the variables that choose a language: pressling-cli's default, Japanese.
export function environment(variables = {}) {
  const chosen = { ...process.env };
  for (const name of ['LANGUAGE', 'LC_ALL', 'LC_MESSAGES', 'LANG']) delete chosen[name];
  return { ...chosen, ...variables };
}

// pressling-cli on one file in folder, as a user runs it there, in its
// default language unless variables choose another.
export function runCli(folder, name, thorough, variables = {}) {
  const run = spawnSync(cli, thorough ? ['--thorough', name] : [name],
                        { cwd: folder, encoding: 'utf8', env: environment(variables) });
  return { status: run.status, lines: run.stdout.split('\n').filter((line) => line !== ''), stderr: run.stderr };
}

const pause = (ms) => new Promise((resolvePause) => setTimeout(resolvePause, ms));
const unfinished = (name) => name.endsWith('.crdownload') || name.endsWith('.part');

// Clicks the element of selector and gives the path of the file the browser
// saved in the page's download folder: the one new file, once complete.
export async function download(page, selector, { timeout = 60000 } = {}) {
  const before = new Set(readdirSync(page.downloads));
  await page.$eval(selector, (link) => link.click());
  let last = null;
  for (const end = Date.now() + timeout; Date.now() < end; await pause(100)) {
    const names = readdirSync(page.downloads);
    const fresh = names.filter((name) => !before.has(name) && !unfinished(name));
    if (fresh.length === 1 && !names.some(unfinished)) {
      // Firefox may still rename the file it wrote under a name of its own.
      const path = join(page.downloads, fresh[0]);
      let size = -1;
      try {
        size = statSync(path).size;
      } catch {
        // Renamed or removed between the listing and now: look again.
      }
      if (size >= 0 && last && last.path === path && last.size === size) return path;
      last = { path, size };
    }
  }
  throw new Error(`no download from ${selector} within ${timeout} ms`);
}

// Where a test opens the page: the served site or the single file from the disk.
export const targets = ['served', 'file'];

export function targetSkip(target) {
  return target === 'file' ? skipReason({ needSingleFile: true }) : false;
}

// One group of tests per engine, sharing one browser; each test gets a scope
// of its own (test.scope) for what it starts. address(target) gives the
// page's address: the single file's, or that of a server started once for the group.
export function inEachEngine(title, { skip = false } = {}, body) {
  for (const engine of engines) {
    describe(`${title} in ${engine}`, { skip: skip || engineSkip(engine) }, () => {
      const shared = new Scope();
      const group = { engine, browser: null, server: null };
      group.address = async (target) => {
        if (target === 'file') return singleFileUrl();
        group.server ??= await serve(shared);
        return group.server.address;
      };
      group.scope = (t) => {
        const scope = new Scope();
        t.after(() => scope.close());
        return scope;
      };
      before(async () => { group.browser = await launch(shared, engine); });
      after(() => shared.close());
      body(group);
    });
  }
}
