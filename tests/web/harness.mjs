// What the page's tests share: the built site served from 127.0.0.1 by
// web/serve.py, Debian's Chromium driven by puppeteer-core, the corpus and
// the native pressling-cli to compare with.
import { spawn, spawnSync, execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

export const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
export const site = process.env.PRESSLING_SITE || join(root, 'build-web/site');
export const corpus = resolve(root, '../shared/corpus/real');
export const cli = process.env.PRESSLING_CLI || join(root, 'build/cli/pressling-cli');

// The corpus databases in name order, or null with the reason to skip.
export function corpusFiles() {
  if (!existsSync(corpus)) return null;
  return readdirSync(corpus).filter((name) => name.toLowerCase().endsWith('.prc')).sort();
}

export function skipReason({ needCorpus = false, needCli = false } = {}) {
  if (!existsSync(join(site, 'index.html'))) return `no site at ${site}: run scripts/web.sh first`;
  if (needCorpus && corpusFiles() === null) return `no corpus at ${corpus}`;
  if (needCli && !existsSync(cli)) return `no pressling-cli at ${cli}: run scripts/build.sh first`;
  return false;
}

export function temporaryFolder(t) {
  const folder = mkdtempSync(join(tmpdir(), 'pressling-web-'));
  t.after(() => rmSync(folder, { recursive: true, force: true }));
  return folder;
}

// web/serve.py on a free port serving folder (the built site unless named);
// requests lists every path it was asked for.
export async function serve(t, folder = site) {
  const server = spawn('python3', [join(root, 'web/serve.py'), '--port', '0', '--log', folder],
                       { stdio: ['ignore', 'pipe', 'inherit'] });
  t.after(() => server.kill());
  const lines = createInterface({ input: server.stdout });
  const requests = [];
  const address = await new Promise((resolveAddress, reject) => {
    server.once('exit', (code) => reject(new Error(`serve.py ended with ${code}`)));
    lines.once('line', resolveAddress);
  });
  lines.on('line', (line) => requests.push(line));
  return { address, requests };
}

function chromiumPath() {
  if (process.env.CHROMIUM) return process.env.CHROMIUM;
  return execFileSync('sh', ['-c', 'command -v chromium'], { encoding: 'utf8' }).trim();
}

export async function launch(t, { language = 'ja' } = {}) {
  const args = [`--lang=${language}`, '--no-first-run', '--disable-background-networking',
                '--disable-component-update', '--disable-sync', '--disable-default-apps'];
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
  const browser = await puppeteer.launch({ executablePath: chromiumPath(), headless: true, args,
                                           env: { ...process.env, LANGUAGE: language } });
  t.after(() => browser.close());
  return browser;
}

// A new page at the site, once its worker has loaded the WebAssembly.
export async function openPage(browser, address, { width = 1000, height = 900, language = 'ja' } = {}) {
  const page = await browser.newPage();
  await page.setViewport({ width, height });
  await page.evaluateOnNewDocument((lang) => {
    Object.defineProperty(navigator, 'languages', { get: () => [lang] });
    Object.defineProperty(navigator, 'language', { get: () => lang });
  }, language);
  const problems = [];
  page.on('pageerror', (error) => problems.push(String(error)));
  await page.goto(address, { waitUntil: 'load' });
  await page.waitForSelector('body[data-ready]');
  const ready = await page.$eval('body', (body) => body.dataset.ready);
  if (ready !== 'true') throw new Error(`the page did not load its converter: ${ready}`);
  return { page, problems };
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

// pressling-cli on one file in folder, as a user runs it there with no
// language chosen, whose report is the page's default.
export function runCli(folder, name, thorough) {
  const env = Object.fromEntries(Object.entries(process.env)
    .filter(([key]) => !['LANGUAGE', 'LC_ALL', 'LC_MESSAGES', 'LANG'].includes(key)));
  const run = spawnSync(cli, thorough ? ['--thorough', name] : [name], { cwd: folder, encoding: 'utf8', env });
  return { status: run.status, lines: run.stdout.split('\n').filter((line) => line !== ''), stderr: run.stderr };
}

// Saves what a click on the element of selector downloads into folder, and
// gives the saved file's path.
export async function download(page, selector, folder) {
  const session = await page.browser().target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allowAndName', downloadPath: folder, eventsEnabled: true });
  const done = new Promise((resolveDone, reject) => {
    session.on('Browser.downloadProgress', (event) => {
      if (event.state === 'completed') resolveDone(join(folder, event.guid));
      else if (event.state === 'canceled') reject(new Error(`download of ${selector} was canceled`));
    });
  });
  await page.$eval(selector, (link) => link.click());
  const path = await done;
  await session.detach();
  return path;
}
