// The details' canvases show the core renderer's pixels: every canvas of the
// chosen databases, before and after, read back pixel by pixel, equals the
// native renderer's picture of the same bytes, scaled by nearest neighbour
// and with the checkerboard where a pixel is transparent.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { inEachEngine, targets, targetSkip, openPage, convert, download, root, cli, corpus,
         skipReason } from './harness.mjs';

const reference = process.env.PRESSLING_RENDER_REFERENCE || join(root, 'build/tests/web/pressling_render_reference');

// 1, 2, 4 and 8 bits without colour tables, and 8 bits with one, 16 bits.
const kDatabases = ['nsbasic-archive__NS-Basic-for-Palm-OS__test4bmps_ORIG.prc', 'jedahan__palmos__ui.prc'];
const kCell = 4;

function checker(x, y) {
  return ((Math.floor(x / kCell) + Math.floor(y / kCell)) & 1) === 0 ? 255 : 204;
}

function nativePicture(database, canvas) {
  const run = spawnSync(reference, [database, canvas.resourceIndex, canvas.offset, canvas.bytes]);
  assert.equal(run.status, 0, `${database}: ${run.stderr}`);
  const newline = run.stdout.indexOf(10);
  const [width, height] = run.stdout.subarray(0, newline).toString().split(' ').map(Number);
  return { width, height, rgba: run.stdout.subarray(newline + 1) };
}

// pressling-cli's records of a dry run in thorough mode.
function nativeRecords(name) {
  const run = spawnSync(cli, ['--thorough', '-n', '--json', name], { cwd: corpus, encoding: 'utf8' });
  return JSON.parse(run.stdout).files[0].bitmaps;
}

function skip() {
  return skipReason({ needCorpus: true, needCli: true }) ||
    (existsSync(reference) ? false : `no ${reference}: run scripts/build.sh first`);
}

inEachEngine('canvases', { skip: skip() }, (group) => {
  for (const target of targets) {
    test(`${target} page: canvases hold the core renderer's pixels for 1, 2, 4, 8 (system palette and own table) and 16 bits`,
         { skip: targetSkip(target), timeout: 300000 }, async (t) => {
      const scope = group.scope(t);
      const { page, problems } = await openPage(scope, group.browser, await group.address(target));
      await checkCanvases(page, problems);
    });
  }
});

async function checkCanvases(page, problems) {
  await convert(page, kDatabases.map((name) => join(corpus, name)), { thorough: true });
  const kinds = new Set();
  for (const name of kDatabases) {
    const element = `[data-file="${name}"]`;
    const output = await download(page, `${element} a[download]`);
    await page.$eval(`${element} details.bitmaps`, (details) => { details.open = true; });
    await page.waitForSelector(`${element} details.bitmaps[data-ready]`);
    const canvases = await page.$$eval(`${element} canvas[data-bitmap]`, (all) => all.map((canvas) => ({
      ...canvas.dataset,
      width: canvas.width,
      height: canvas.height,
      pixels: Array.from(canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data),
    })));
    assert.ok(canvases.length > 0, `${name}: no canvas`);
    // The page's records are pressling-cli's: the same bitmaps drawn, at the same places, the rest left alone.
    const records = nativeRecords(name);
    const places = (side) => canvases.filter((c) => c.side === side).map((c) => `${c.resourceIndex}:${c.offset}:${c.bytes}`);
    const changed = records.filter((r) => r.after !== null);
    assert.deepEqual(places('before'), changed.map((r) => `${r.resource.index}:${r.offset}:${r.before.bytes}`));
    assert.deepEqual(places('after'), changed.map((r) => `${r.resource.index}:${r.output_offset}:${r.after.bytes}`));
    assert.equal(await page.$$eval(`${element} details.left-alone li`, (all) => all.length),
                 records.length - changed.length, `${name}: bitmaps left alone`);
    for (const canvas of canvases) {
      const where = `${name} bitmap ${canvas.bitmap} ${canvas.side}`;
      const picture = nativePicture(canvas.side === 'after' ? output : join(corpus, name), canvas);
      const scale = Number(canvas.scale);
      assert.equal(canvas.width, picture.width * scale, `${where}: width`);
      assert.equal(canvas.height, picture.height * scale, `${where}: height`);
      let transparent = false;
      for (let y = 0; y < canvas.height; ++y) {
        for (let x = 0; x < canvas.width; ++x) {
          const from = 4 * (Math.floor(y / scale) * picture.width + Math.floor(x / scale));
          const alpha = picture.rgba[from + 3];
          assert.ok(alpha === 0 || alpha === 255, `${where}: alpha ${alpha}`);
          const want = alpha === 255 ? [...picture.rgba.subarray(from, from + 3)] : Array(3).fill(checker(x, y));
          const at = 4 * (y * canvas.width + x);
          const got = canvas.pixels.slice(at, at + 4);
          if (got[0] !== want[0] || got[1] !== want[1] || got[2] !== want[2] || got[3] !== 255)
            assert.fail(`${where}: pixel (${x}, ${y}) is ${got}, the renderer gives ${want}`);
          transparent ||= alpha === 0;
        }
      }
      const depth = canvas.pixelSize === '8' && canvas.colorTable === 'true' ? '8 own table' : canvas.pixelSize;
      kinds.add(depth);
      if (transparent) kinds.add('transparent');
    }
  }
  for (const kind of ['1', '2', '4', '8', '8 own table', '16', 'transparent'])
    assert.ok(kinds.has(kind), `no canvas of ${kind} in ${[...kinds].join(', ')}`);
  assert.deepEqual(problems, []);
}
