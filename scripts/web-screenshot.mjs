// Saves docs/web.png (or the path given): the page at desktop width after
// converting harbaum__palmos__IR-Pong2.prc from the corpus in thorough mode,
// with its details open. Needs scripts/web.sh first.
//   node scripts/web-screenshot.mjs [OUT.png]
import { join } from 'node:path';
import { Scope, serve, launch, openPage, convert, corpus, root, skipReason } from '../tests/web/harness.mjs';

const out = process.argv[2] || join(root, 'docs/web.png');
const reason = skipReason({ needCorpus: true });
if (reason) {
  console.error(`web-screenshot.mjs: ${reason}`);
  process.exit(1);
}
const scope = new Scope();
try {
  const { address } = await serve(scope);
  const browser = await launch(scope);
  const { page } = await openPage(scope, browser, address, { width: 900, height: 800 });
  const name = 'harbaum__palmos__IR-Pong2.prc';
  await convert(page, [join(corpus, name)], { thorough: true });
  await page.$eval(`[data-file="${name}"] details.bitmaps`, (details) => { details.open = true; });
  await page.waitForSelector(`[data-file="${name}"] details.bitmaps[data-ready]`);
  await page.screenshot({ path: out, fullPage: true });
  console.log(out);
} finally {
  await scope.close();
}
