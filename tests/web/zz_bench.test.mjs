import { test } from 'node:test';
import { Scope, serve, launch, openPage, convert } from './harness.mjs';
test('bench', async (t) => {
  const scope = new Scope(); t.after(() => scope.close());
  const server = await serve(scope);
  const browser = await launch(scope);
  const { page } = await openPage(scope, browser, server.address, { language: 'en' });
  const [r] = await convert(page, ['/tmp/pagework/bench/corpus.zip']);
  console.log(r.detail);
});
