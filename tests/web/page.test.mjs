// The browser version in headless Chromium: the page loads and shows the
// title exactly as the native build draws it, the keys play, frames run at
// 60 a second, the worklet's sound reaches the output through stalls and
// rests while hidden, Esc ends the game, and the console stays clean.
//   node --test tests/web/page.test.mjs   (after tools/web.sh; needs the
//   native ruzoz-replay and data folder: RUZOZ_BUILD_DIR, default build)

import {createRequire} from 'node:module';
import {mkdtempSync, readFileSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import test from 'node:test';
import assert from 'node:assert/strict';
import {serve, openPage, sleep, nativeBackBuffer} from './serve.mjs';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const require = createRequire(path.join(root, 'web/package.json'));
const puppeteer = require('puppeteer-core');
const build = path.resolve(root, process.env.RUZOZ_BUILD_DIR || 'build');

// The native back buffer after `frames` frames of a key script.
async function nativeFrame(script, frames) {
  const keys = path.join(mkdtempSync(path.join(tmpdir(), 'ruzoz-web-')), 'keys');
  writeFileSync(keys, script.replace(/\\n/g, '\n'));
  return nativeBackBuffer(build, keys, frames);
}

function differing(a, b) {
  let count = 0;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) ++count;
  return count;
}

function region(pixels, left, top, width, height) {
  const out = [];
  for (let y = top; y < top + height; ++y) out.push(...pixels.slice(y * 640 + left, y * 640 + left + width));
  return out.join(',');
}

test('the browser version plays', {timeout: 240000}, async (t) => {
  const {url, page, complaints} = await openPage(t, puppeteer);
  const frames = () => page.evaluate(() => window.ruzoz.frames());
  const backBuffer = async () => Uint16Array.from(await page.evaluate(() => Array.from(window.ruzoz.backBuffer())));
  const untilFrames = async (n) => page.waitForFunction((n) => window.ruzoz.frames() >= n, {timeout: 30000}, n);
  const key = async (name, hold = 60) => { await page.keyboard.down(name); await sleep(hold); await page.keyboard.up(name); };

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
  const loaded = Date.now();
  await page.goto(url, {waitUntil: 'load'});
  await page.waitForFunction(() => window.ruzoz.frames() > 0, {timeout: 60000});
  await page.evaluate(() => window.ruzoz.meter());
  const firstFrame = await page.evaluate(() => performance.now());
  t.diagnostic(`first frame ${firstFrame.toFixed(0)} ms after navigation (${Date.now() - loaded} ms wall)`);

  // The title, pixel for pixel the native one.
  await untilFrames(10);
  assert.equal(differing(await backBuffer(), await nativeFrame('', 5)), 0, 'title differs from native');

  // Frames at 60 a second, measured over 10 s.
  const [f0, t0] = await page.evaluate(() => [window.ruzoz.frames(), performance.now()]);
  await sleep(10000);
  const [f1, t1] = await page.evaluate(() => [window.ruzoz.frames(), performance.now()]);
  const rate = (f1 - f0) / ((t1 - t0) / 1000);
  t.diagnostic(`${rate.toFixed(2)} frames a second`);
  assert.ok(Math.abs(rate - 60) <= 1, `frame rate ${rate}`);

  // Sound: the context runs and the worklet plays the music.
  assert.equal(await page.evaluate(() => window.ruzoz.audioState()), 'running');
  assert.ok(await page.evaluate(() => window.ruzoz.peak) > 0.01, 'silent output');
  assert.equal(await page.evaluate(() => window.scriptProcessors), 0, 'a ScriptProcessor');

  // The page's thread busy for 150 ms every second: the music plays on
  // from its ring, and so do the frames.
  const [u0, b0] = await page.evaluate(() => [window.ruzoz.underruns, window.ruzoz.frames()]);
  await page.evaluate(() => new Promise((done) => {
    let stalls = 0;
    const timer = setInterval(() => {
      for (const end = performance.now() + 150; performance.now() < end;);
      if (++stalls === 4) { clearInterval(timer); done(); }
    }, 1000);
  }));
  await sleep(300);
  const [u1, b1] = await page.evaluate(() => [window.ruzoz.underruns, window.ruzoz.frames()]);
  t.diagnostic(`${b1 - b0} frames in 4 s with stalls`);
  assert.equal(u1 - u0, 0, 'the music ran dry');
  assert.ok(b1 - b0 > 150, `frames stopped: ${b1 - b0}`);

  // An effect (Get) from its call to the worklet's output, the report's way
  // back included.
  const latency = await page.evaluate(() => new Promise((done) => {
    const start = performance.now();
    window.ruzoz.heard = () => { window.ruzoz.heard = null; done(performance.now() - start); };
    window.ruzoz.playEffect(3);
  }));
  t.diagnostic(`effect heard ${latency.toFixed(1)} ms after its call`);
  assert.ok(latency < 50, `effect latency ${latency} ms`);

  // A hidden page rests its sound; shown again, the sound goes on.
  const show = (state) => page.evaluate((state) => {
    Object.defineProperty(document, 'visibilityState', {get: () => state, configurable: true});
    document.dispatchEvent(new Event('visibilitychange'));
  }, state);
  await show('hidden');
  await page.waitForFunction(() => window.ruzoz.audioState() === 'suspended', {timeout: 2000});
  await show('visible');
  await page.waitForFunction(() => window.ruzoz.audioState() === 'running', {timeout: 2000});

  // Enter: the story, as the native one.
  await key('Enter');
  await sleep(300);
  assert.equal(differing(await backBuffer(), await nativeFrame('0 down 13\\n', 5)), 0, 'story differs');

  // Space leaves the story, brings back the texts, then starts a game.
  for (let i = 0; i < 3; ++i) { await key('Space'); await sleep(200); }
  const title = await nativeFrame('', 5);
  const playing = await backBuffer();
  assert.ok(differing(playing, title) > 10000, 'no game started');

  // Left turns the ship (the sprite at the centre changes).
  const ship = () => backBuffer().then((b) => region(b, 304, 224, 32, 32));
  const before = await ship();
  await key('ArrowLeft', 500);
  assert.notEqual(await ship(), before, 'the ship did not turn');
  // Shift fires: the ammunition count drops.
  const ammo = () => backBuffer().then((b) => region(b, 528, 448, 64, 16));
  const ammoBefore = await ammo();
  await key('ShiftLeft');
  await sleep(300);
  assert.notEqual(await ammo(), ammoBefore, 'no shot fired');
  // The canvas shows the last flip whole: the rows it changed and those it kept.
  const unshown = await page.evaluate(() => {
    const back = window.ruzoz.backBuffer();
    const shown = document.getElementById('screen').getContext('2d').getImageData(0, 0, 640, 480).data;
    let count = 0;
    for (let i = 0; i < back.length; ++i) {
      const p = back[i], r = p >> 11, g = p >> 5 & 63, b = p & 31;
      if (shown[4 * i] !== (r << 3 | r >> 2) || shown[4 * i + 1] !== (g << 2 | g >> 4) ||
          shown[4 * i + 2] !== (b << 3 | b >> 2)) ++count;
    }
    return count;
  });
  assert.equal(unshown, 0, 'the canvas differs from the back buffer');
  // The page's CPU while playing: its main thread's busy share over 5 s.
  const m0 = await page.metrics();
  await sleep(5000);
  const m1 = await page.metrics();
  t.diagnostic(`page main thread busy ${(100 * (m1.TaskDuration - m0.TaskDuration) / (m1.Timestamp - m0.Timestamp)).toFixed(1)} % while playing`);

  // Esc ends it: no more frames, the sound closed, a way to start again.
  await key('Escape');
  await sleep(300);
  const stopped = await frames();
  await sleep(500);
  assert.equal(await frames(), stopped, 'frames run after Esc');
  assert.equal(await page.evaluate(() => window.ruzoz.audioState()), 'closed');
  await Promise.all([page.waitForNavigation(), page.click('#note button')]);
  await page.waitForFunction(() => window.ruzoz.frames() > 0, {timeout: 60000});

  assert.deepEqual(complaints, []);
});

test('a failed start-up shows its text', {timeout: 120000}, async (t) => {
  const {server, url} = await serve();
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox']});
  t.after(async () => { await browser.close(); server.kill(); });
  const page = await browser.newPage();
  // No sound device at all.
  await page.evaluateOnNewDocument(() => { delete window.AudioContext; delete window.webkitAudioContext; });
  await page.goto(url, {waitUntil: 'load'});
  await page.waitForFunction(() => document.getElementById('note').querySelector('button'), {timeout: 60000});
  const note = await page.evaluate(() => document.getElementById('note').textContent);
  const texts = readFileSync(path.join(root, 'src/ports/Texts.h'), 'utf8');
  const expected = /soundDeviceFailed\[\] = "([^"]*)"/.exec(texts)[1];
  assert.ok(note.startsWith(expected), note);
  assert.equal(await page.evaluate(() => window.ruzoz.frames()), 0);
});
