// What the page tests and the page's long run share: the page opened in
// headless Chromium, its keys and its back buffer, and the native replay's
// back buffer to hold it against.

import {execFileSync} from 'node:child_process';
import {createRequire} from 'node:module';
import {mkdtempSync, readFileSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {root, serve, sleep} from '../../tools/web-serve.mjs';

export {root, serve, sleep};
export const puppeteer = createRequire(path.join(root, 'web/package.json'))('puppeteer-core');
const build = path.resolve(root, process.env.RUZOZ_BUILD_DIR || 'build');
const scratch = mkdtempSync(path.join(tmpdir(), 'ruzoz-web-'));

// Console errors and uncaught exceptions of `page`, collected.
export function complaintsOf(page) {
  const complaints = [];
  page.on('console', (m) => { if (m.type() === 'error') complaints.push(m.text()); });
  page.on('pageerror', (e) => complaints.push(String(e)));
  return complaints;
}

// The built page served and a browser for it, both ended after the test `t`
// (or by the returned close).
export async function openPage(t, extraArgs = []) {
  const {server, url} = await serve();
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', ...extraArgs],
  });
  const close = async () => { await browser.close(); server.kill(); };
  if (t) t.after(close);
  const page = await browser.newPage();
  return {server, url, browser, page, complaints: complaintsOf(page), close};
}

export const frames = (page) => page.evaluate(() => window.ruzoz.frames());
export const untilFrames = (page, n, timeout = 60000) =>
  page.waitForFunction((n) => window.ruzoz.frames() >= n, {timeout}, n);
export const backBuffer = async (page) =>
  Uint16Array.from(await page.evaluate(() => Array.from(window.ruzoz.backBuffer())));
// A part of the last frame, read in the page (the whole is 300k values);
// the ship at the centre and the ammunition count.
export const region = (page, left, top, width, height) => page.evaluate((left, top, width, height) => {
  const pixels = window.ruzoz.backBuffer();
  let out = '';
  for (let y = top; y < top + height; ++y) out += pixels.slice(y * 640 + left, y * 640 + left + width) + ';';
  return out;
}, left, top, width, height);
export const ship = (page) => region(page, 304, 224, 32, 32);
export const ammo = (page) => region(page, 528, 448, 64, 16);
export const differing = (a, b) => a.reduce((n, v, i) => n + (v !== b[i]), 0);
export async function key(page, name, hold = 60) {
  await page.keyboard.down(name);
  await sleep(hold);
  await page.keyboard.up(name);
}

// Frames a second over `ms`, and the page's main thread's busy percentage.
export async function frameRate(page, ms) {
  const now = () => Promise.all([page.metrics(),
                                 page.evaluate(() => [window.ruzoz.frames(), performance.now()])]);
  const [m0, [f0, t0]] = await now();
  await sleep(ms);
  const [m1, [f1, t1]] = await now();
  return {rate: (f1 - f0) / ((t1 - t0) / 1000),
          busy: 100 * (m1.TaskDuration - m0.TaskDuration) / (m1.Timestamp - m0.Timestamp)};
}

// A golden key script's messages before frame `below`, and the frame its
// --play ends on (120 frames after its last message).
export function goldenScript(name, below) {
  const lines = readFileSync(path.join(root, 'tests/golden', name), 'latin1').split('\n')
    .filter((l) => /^\d+ /.test(l) && Number(l.split(' ')[0]) < below);
  return {script: lines.join('\n') + '\n', end: Number(lines[lines.length - 1].split(' ')[0]) + 120};
}

// The native back buffer after `count` frames of the key script `script`,
// as RGB565 (the snapshot's 8-bit channels narrowed back: widening kept the
// top bits).
let scripts = 0;
export function nativeBackBuffer(script, count) {
  const keys = path.join(scratch, `${++scripts}.keys`);
  const shot = path.join(scratch, `${scripts}.bmp`);
  writeFileSync(keys, script);
  execFileSync(path.join(build, 'tools/replay/ruzoz-replay'),
               ['--frames', String(count), '--input', keys, '--snapshot', `${count - 1}:${shot}`],
               {cwd: path.join(build, 'data'), env: {...process.env, SDL_AUDIODRIVER: 'dummy'}});
  const bmp = readFileSync(shot);
  const at = bmp.readUInt32LE(10);
  const pixels = new Uint16Array(640 * 480);
  for (let y = 0; y < 480; ++y)
    for (let x = 0; x < 640; ++x) {
      const p = at + (479 - y) * 640 * 3 + x * 3;
      pixels[y * 640 + x] = (bmp[p + 2] >> 3) << 11 | (bmp[p + 1] >> 2) << 5 | bmp[p] >> 3;
    }
  return pixels;
}
export const nativeTitle = () => nativeBackBuffer('', 5);
