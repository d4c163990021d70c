// A new build on the server replaces the kept one whole: the open page goes
// on with the build it started with and offers a reload; after it, the new
// build runs alone and the old copy is gone.
//   node --test tests/web/update.test.mjs   (after tools/web.sh)

import test from 'node:test';
import assert from 'node:assert/strict';
import {cpSync, mkdtempSync, readFileSync, renameSync, rmSync, symlinkSync, utimesSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {openBrowser, root, untilFrames} from './page.mjs';

test('a new build takes over whole, at the reload the page offers', {timeout: 180000}, async (t) => {
  const scratch = mkdtempSync(path.join(tmpdir(), 'ruzoz-update-'));
  const [older, newer, served] = ['older', 'newer', 'served'].map((name) => path.join(scratch, name));
  cpSync(path.join(root, 'out/web'), older, {recursive: true});
  cpSync(older, newer, {recursive: true});
  const worker = readFileSync(path.join(older, 'sw.js'), 'utf8');
  const build = /const build = '([^']+)'/.exec(worker)[1];
  writeFileSync(path.join(newer, 'sw.js'), worker.replace(build, `${build}-next`));
  const index = readFileSync(path.join(older, 'index.html'), 'utf8');
  writeFileSync(path.join(newer, 'index.html'), index.replace('</head>', '<meta name="build" content="next"></head>'));
  // A deployment comes later than the copy kept: its files are newer, so
  // the server does not answer the browser's revalidation with 304.
  const hourAgo = Date.now() / 1000 - 3600;
  for (const name of ['sw.js', 'index.html']) utimesSync(path.join(older, name), hourAgo, hourAgo);
  symlinkSync(older, served);
  t.after(() => rmSync(scratch, {recursive: true, force: true}));
  const {url, tab} = await openBrowser(t, served);
  const page = await tab();
  // Which page runs, and each kept copy with its number of files.
  const seen = () => page.evaluate(async () => ({
    next: document.querySelector('meta[name="build"]') !== null,
    caches: Object.fromEntries(await Promise.all((await caches.keys()).map(
      async (name) => [name, (await (await caches.open(name)).keys()).length]))),
  }));

  await page.goto(url, {waitUntil: 'load'});
  await untilFrames(page, 10);
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, {timeout: 60000});
  const first = await seen();
  const whole = first.caches[build];
  assert.deepEqual(first, {next: false, caches: {[build]: whole}});

  // The server swaps builds at once, as a deployment does.
  symlinkSync(newer, `${served}.new`);
  renameSync(`${served}.new`, served);
  await page.reload({waitUntil: 'load'});
  await untilFrames(page, 10);
  const offer = await page.waitForFunction(
    () => [...document.querySelectorAll('button')].find((b) => b.textContent === 'Reload' && b.checkVisibility()),
    {timeout: 60000});
  // The new copy is complete before it may serve; the page still runs the old.
  assert.deepEqual(await seen(), {next: false, caches: {[build]: whole, [`${build}-next`]: whole}});

  await Promise.all([page.waitForNavigation({waitUntil: 'load'}), offer.click()]);
  await untilFrames(page, 10);
  assert.deepEqual(await seen(), {next: true, caches: {[`${build}-next`]: whole}});
  assert.deepEqual(page.complaints, []);
});
