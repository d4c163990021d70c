// The page's figures in headless Chromium (tools/web-bench.sh runs it):
// the whole browser's CPU on the game's page against our floor page
// (tests/web/floor.html), title and play, in turns; the first frame, cold
// and offline from the service worker's copy. Prints `key value` lines.
//   node tools/web-bench.mjs ROUNDS [PAGE [OTHER]]   (PAGE: the page's
//   folder in the repository, out/web by default; OTHER: another build of
//   it, measured in the same turns as `other`)

import {createRequire} from 'node:module';
import {readFileSync, readdirSync} from 'node:fs';
import path from 'node:path';
import {root, serve, sleep} from './web-serve.mjs';

const puppeteer = createRequire(path.join(root, 'web/package.json'))('puppeteer-core');
const rounds = Number(process.argv[2] || 3);
const pageFolder = process.argv[3] || 'out/web';
const otherFolder = process.argv[4];
const ticks = 100; // USER_HZ

// User + system ticks of `pid` and every process below it.
function treeTicks(pid) {
  const parent = new Map(), used = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    let stat;
    try { stat = readFileSync(`/proc/${name}/stat`, 'utf8'); } catch { continue; }
    const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    parent.set(Number(name), Number(fields[1]));
    used.set(Number(name), Number(fields[11]) + Number(fields[12]));
  }
  let sum = 0;
  for (const [p, t] of used) {
    for (let q = p; q > 1; q = parent.get(q)) if (q === pid) { sum += t; break; }
  }
  return sum;
}

const launch = () => puppeteer.launch({
  executablePath: '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--window-size=1280,800'],
  defaultViewport: {width: 1280, height: 800},
});

// As a player would: start, then turn, thrust and fire; Space again starts
// a new game when the shield has run out.
async function drive(page, until) {
  await page.keyboard.press('Space');
  const tap = async (key, hold = 40) => { await page.keyboard.down(key); await sleep(hold); await page.keyboard.up(key); };
  while (Date.now() < until) {
    await tap('ArrowUp', 300);
    for (const key of ['ArrowLeft', 'ArrowLeft', 'Shift', 'ArrowRight', 'Shift']) await tap(key);
    await tap('ArrowDown', 200);
    for (const key of ['ArrowRight', 'ArrowRight', 'Shift', 'Space']) await tap(key);
  }
}

// One page in a browser of its own: percent of one core over 8 s after 4 s,
// and frames a second.
async function cpu(url, playing) {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.goto(url);
    await page.waitForFunction(() => window.ruzoz && window.ruzoz.frames() >= 1, {timeout: 60000});
    const driving = playing ? drive(page, Date.now() + 12500) : null;
    await sleep(4000);
    const pid = browser.process().pid;
    const t0 = treeTicks(pid), f0 = await page.evaluate(() => window.ruzoz.frames()), w0 = Date.now();
    await sleep(8000);
    const t1 = treeTicks(pid), f1 = await page.evaluate(() => window.ruzoz.frames()), w1 = Date.now();
    await driving;
    const seconds = (w1 - w0) / 1000;
    return {cpu: (100 * (t1 - t0)) / ticks / seconds, fps: (f1 - f0) / seconds};
  } finally {
    await browser.close();
  }
}

// Navigation to the first frame, on the page's own clock.
const firstFrame = (page) =>
  page.waitForFunction(() => window.ruzoz && window.ruzoz.frames() >= 1 && performance.now(),
                       {polling: 'raf', timeout: 60000}).then((handle) => handle.jsonValue());

async function visits(url) {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.goto(url);
    const cold = await firstFrame(page);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.setOfflineMode(true);
    await page.reload();
    const offline = await firstFrame(page);
    const served = await page.evaluate(() => navigator.serviceWorker.controller !== null);
    return {cold, offline, served};
  } finally {
    await browser.close();
  }
}

// The repository's root: the built page and the floor page from one server.
const {server, base} = await serve(root);
try {
  const game = `${base}/${pageFolder}/index.html`, floor = `${base}/tests/web/floor.html`;
  for (let round = 1; round <= rounds; ++round) {
    for (const playing of [false, true]) {
      const what = playing ? 'play' : 'title';
      const pages = [['floor', floor], ['game', game]];
      if (otherFolder) pages.push(['other', `${base}/${otherFolder}/index.html`]);
      for (const [name, url] of pages) {
        const got = await cpu(url, playing);
        console.log(`${name}-${what} ${got.cpu.toFixed(1)} ${got.fps.toFixed(1)}`);
      }
    }
    const got = await visits(game);
    console.log(`first-frame ${got.cold.toFixed(0)}`);
    console.log(`offline-frame ${got.served ? got.offline.toFixed(0) : 'n/a'}`);
  }
} finally {
  server.kill();
}
