// The made-up database the worker converts while the page waits is one the
// core converts in both modes, bitmaps and icon included, so that the
// warm-up runs the code the first real files need.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { warmUpDatabase } from '../../web/site/warm_up.js';
import { Scope, cli, skipReason, temporaryFolder } from './harness.mjs';

test('the warm-up database converts in both modes and every bitmap in it is packed',
     { skip: skipReason({ needCli: true }) }, async (t) => {
  const scope = new Scope();
  t.after(() => scope.close());
  const folder = temporaryFolder(scope);
  writeFileSync(join(folder, 'warm-up.prc'), Buffer.from(warmUpDatabase()));
  for (const thorough of [false, true]) {
    const args = ['--json', '-n', ...(thorough ? ['--thorough'] : []), 'warm-up.prc'];
    const run = spawnSync(cli, args, { cwd: folder, encoding: 'utf8' });
    assert.equal(run.status, 0, run.stderr);
    const [file] = JSON.parse(run.stdout).files;
    assert.equal(file.bitmaps.filter((b) => b.after !== null).length, thorough ? 24 : 23,
                 'the 23 bitmaps, and in thorough mode the icon too');
  }
});
