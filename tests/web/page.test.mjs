// The browser version in headless Chromium: the title and story exactly as
// the native build draws them, the keys play, 60 frames a second, the
// worklet's sound through stalls and at rest while hidden, Esc ends the
// game, the console stays clean, and a start-up without sound says so.
//   node --test tests/web/page.test.mjs   (after tools/web.sh; needs the
//   native ruzoz-replay and data folder: RUZOZ_BUILD_DIR, default build)

import {readFileSync} from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import assert from 'node:assert/strict';
import {root, openPage, sleep, frames, untilFrames, backBuffer, differing, key, frameRate, ship, ammo,
        nativeBackBuffer, nativeTitle} from './page.mjs';

test('the browser version plays', {timeout: 240000}, async (t) => {
  const {url, page, complaints} = await openPage(t);
  const audioState = () => page.evaluate(() => window.ruzoz.audioState());
  // Every ScriptProcessor the page would make, counted.
  await page.evaluateOnNewDocument(() => {
    window.scriptProcessors = 0;
    const made = BaseAudioContext.prototype.createScriptProcessor;
    BaseAudioContext.prototype.createScriptProcessor = function (...args) {
      ++window.scriptProcessors;
      return made.apply(this, args);
    };
    window.ScriptProcessorNode = new Proxy(window.ScriptProcessorNode, {
      construct: (target, args) => { ++window.scriptProcessors; return Reflect.construct(target, args); },
    });
  });
  await page.goto(url, {waitUntil: 'load'});
  await untilFrames(page, 1);
  await page.evaluate(() => window.ruzoz.meter());
  t.diagnostic(`first frame ${(await page.evaluate(() => performance.now())).toFixed(0)} ms after navigation`);
  await untilFrames(page, 10);
  assert.equal(differing(await backBuffer(page), nativeTitle()), 0, 'title differs from native');

  const {rate} = await frameRate(page, 10000);
  t.diagnostic(`${rate.toFixed(2)} frames a second`);
  assert.ok(Math.abs(rate - 60) <= 1, `frame rate ${rate}`);
  assert.equal(await audioState(), 'running');
  assert.ok(await page.evaluate(() => window.ruzoz.peak) > 0.01, 'silent output');
  assert.equal(await page.evaluate(() => window.scriptProcessors), 0, 'a ScriptProcessor');

  // The page's thread busy for 150 ms every second: the music plays on from
  // its ring, and so do the frames.
  const counts = () => page.evaluate(() => [window.ruzoz.underruns, window.ruzoz.frames()]);
  const [u0, b0] = await counts();
  await page.evaluate(() => new Promise((done) => {
    let stalls = 0;
    const timer = setInterval(() => {
      for (const end = performance.now() + 150; performance.now() < end;);
      if (++stalls === 4) { clearInterval(timer); done(); }
    }, 1000);
  }));
  await sleep(300);
  const [u1, b1] = await counts();
  assert.equal(u1 - u0, 0, 'the music ran dry');
  assert.ok(b1 - b0 > 150, `frames stopped: ${b1 - b0}`);

  // An effect (Get) from its call to the worklet's output and back.
  const latency = await page.evaluate(() => new Promise((done) => {
    const start = performance.now();
    window.ruzoz.heard = () => { window.ruzoz.heard = null; done(performance.now() - start); };
    window.ruzoz.playEffect(3);
  }));
  t.diagnostic(`effect heard ${latency.toFixed(1)} ms after its call`);
  assert.ok(latency < 50, `effect latency ${latency} ms`);

  for (const [shown, sound] of [['hidden', 'suspended'], ['visible', 'running']]) {
    await page.evaluate((state) => {
      Object.defineProperty(document, 'visibilityState', {get: () => state, configurable: true});
      document.dispatchEvent(new Event('visibilitychange'));
    }, shown);
    await page.waitForFunction((s) => window.ruzoz.audioState() === s, {timeout: 2000}, sound);
  }

  await key(page, 'Enter');
  await sleep(300);
  assert.equal(differing(await backBuffer(page), nativeBackBuffer('0 down 13\n', 5)), 0, 'story differs');
  // Space leaves the story, brings back the texts, then starts a game.
  for (let i = 0; i < 3; ++i) { await key(page, 'Space'); await sleep(200); }
  assert.ok(differing(await backBuffer(page), nativeTitle()) > 10000, 'no game started');
  const turned = await ship(page);
  await key(page, 'ArrowLeft', 500);
  assert.notEqual(await ship(page), turned, 'the ship did not turn');
  const fired = await ammo(page);
  await key(page, 'ShiftLeft');
  await sleep(300);
  assert.notEqual(await ammo(page), fired, 'no shot fired');
  // The canvas shows the last flip whole: the rows it changed and those it kept.
  assert.equal(await page.evaluate(() => {
    const back = window.ruzoz.backBuffer();
    const shown = document.getElementById('screen').getContext('2d').getImageData(0, 0, 640, 480).data;
    let count = 0;
    for (let i = 0; i < back.length; ++i) {
      const p = back[i], r = p >> 11, g = p >> 5 & 63, b = p & 31;
      if (shown[4 * i] !== (r << 3 | r >> 2) || shown[4 * i + 1] !== (g << 2 | g >> 4) ||
          shown[4 * i + 2] !== (b << 3 | b >> 2)) ++count;
    }
    return count;
  }), 0, 'the canvas differs from the back buffer');
  t.diagnostic(`page main thread busy ${(await frameRate(page, 5000)).busy.toFixed(1)} % while playing`);

  // Esc ends it: no more frames, the sound closed, a way to start again.
  await key(page, 'Escape');
  await sleep(300);
  const stopped = await frames(page);
  await sleep(500);
  assert.equal(await frames(page), stopped, 'frames run after Esc');
  assert.equal(await audioState(), 'closed');
  await Promise.all([page.waitForNavigation(), page.click('#note button')]);
  await untilFrames(page, 1);
  assert.deepEqual(complaints, []);
});

test('a failed start-up shows its text', {timeout: 120000}, async (t) => {
  const {url, page} = await openPage(t);
  await page.evaluateOnNewDocument(() => { delete window.AudioContext; delete window.webkitAudioContext; });
  await page.goto(url, {waitUntil: 'load'});
  await page.waitForFunction(() => document.querySelector('#note button'), {timeout: 60000});
  const note = await page.evaluate(() => document.getElementById('note').textContent);
  const texts = readFileSync(path.join(root, 'src/ports/Texts.h'), 'utf8');
  assert.ok(note.startsWith(/soundDeviceFailed\[\] = "([^"]*)"/.exec(texts)[1]), note);
  assert.equal(await frames(page), 0);
});
