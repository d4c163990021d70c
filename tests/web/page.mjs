// What the page tests and the page's long run share: the built page served
// to headless Chromium, its frames, keys and back buffer, and the native
// replay's back buffer to hold it against.

import {execFileSync} from 'node:child_process';
import {createRequire} from 'node:module';
import {mkdtempSync, readFileSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {root, serve, sleep} from '../../tools/web-serve.mjs';

export {root, sleep};
const puppeteer = createRequire(path.join(root, 'web/package.json'))('puppeteer-core');
const build = path.resolve(root, process.env.RUZOZ_BUILD_DIR || 'build');
const scratch = mkdtempSync(path.join(tmpdir(), 'ruzoz-web-'));

// The page (or `directory`) served and a browser for it, closed after the
// test `t` (or by close). `tab` opens a page in a context of its own (no shared storage or
// service worker) that collects its console errors and uncaught exceptions;
// it closes the one before, whose frames would cost the next its pace.
export async function openBrowser(t, directory) {
  const {server, url} = await serve(directory);
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--lang=en-US'],
  });
  const close = async () => { await browser.close(); server.kill(); };
  if (t) t.after(close);
  let last;
  const tab = async (viewport = {width: 1280, height: 800}) => {
    if (last) await last.browserContext().close();
    const page = last = await (await browser.createBrowserContext()).newPage();
    page.complaints = [];
    page.on('console', (m) => { if (m.type() === 'error') page.complaints.push(m.text()); });
    page.on('pageerror', (e) => page.complaints.push(String(e)));
    await page.setViewport(viewport);
    return page;
  };
  return {server, url, tab, close};
}

export const frames = (page) => page.evaluate(() => window.ruzoz.frames());
export const untilFrames = (page, n, timeout = 60000) =>
  page.waitForFunction((n) => window.ruzoz.frames() >= n, {timeout}, n);
export const untilNote = (page, timeout = 60000) =>
  page.waitForFunction(() => document.querySelector('#note button'), {timeout});
export const backBuffer = async (page) =>
  Uint16Array.from(await page.evaluate(() => Array.from(window.ruzoz.backBuffer())));
// A part of the last frame, read in the page (the whole is 300k values):
// the ship at the centre, the ammunition count.
export const region = (page, left, top, width, height) => page.evaluate((left, top, width, height) => {
  const pixels = window.ruzoz.backBuffer();
  let out = '';
  for (let y = top; y < top + height; ++y) out += pixels.slice(y * 640 + left, y * 640 + left + width) + ';';
  return out;
}, left, top, width, height);
export const ship = (page) => region(page, 304, 224, 32, 32);
export const ammo = (page) => region(page, 528, 448, 64, 16);
export const differing = (a, b) => a.reduce((n, v, i) => n + (v !== b[i]), 0);
// Whether what `read` gives changes over `act`.
export async function changes(read, act) {
  const before = await read();
  await act();
  return before !== await read();
}
export async function key(page, name, hold = 60) {
  await page.keyboard.down(name);
  await sleep(hold);
  await page.keyboard.up(name);
}

// Frames a second over `ms`.
export async function frameRate(page, ms) {
  const now = () => page.evaluate(() => [window.ruzoz.frames(), performance.now()]);
  const [f0, t0] = await now();
  await sleep(ms);
  const [f1, t1] = await now();
  return (f1 - f0) / ((t1 - t0) / 1000);
}

// A golden key script's messages before frame `below`, and the frame its
// --play ends on (120 frames after its last message).
export function goldenScript(name, below) {
  const lines = readFileSync(path.join(root, 'tests/golden', name), 'latin1').split('\n')
    .filter((l) => /^\d+ /.test(l) && Number(l.split(' ')[0]) < below);
  return {script: lines.join('\n') + '\n', end: Number(lines[lines.length - 1].split(' ')[0]) + 120};
}

// The native back buffer after `count` frames of `script`, as RGB565 (the
// snapshot's 8-bit channels narrowed back: widening kept the top bits).
let scripts = 0;
export function nativeBackBuffer(script, count) {
  const keys = path.join(scratch, `${++scripts}.keys`), shot = path.join(scratch, `${scripts}.bmp`);
  writeFileSync(keys, script);
  execFileSync(path.join(build, 'tools/replay/ruzoz-replay'),
               ['--frames', String(count), '--input', keys, '--snapshot', `${count - 1}:${shot}`],
               {cwd: path.join(build, 'data'), env: {...process.env, SDL_AUDIODRIVER: 'dummy'}});
  const bmp = readFileSync(shot);
  const at = bmp.readUInt32LE(10);
  return Uint16Array.from({length: 640 * 480}, (_, i) => {
    const p = at + (479 - Math.floor(i / 640)) * 640 * 3 + (i % 640) * 3;
    return (bmp[p + 2] >> 3) << 11 | (bmp[p + 1] >> 2) << 5 | bmp[p] >> 3;
  });
}
export const nativeTitle = () => nativeBackBuffer('', 5);
