// The page for a long run in headless Chromium with random keys (never Esc):
// after the first minute the JS heap (collected) and the wasm memories grow
// by less than 1 MB, every 10 s runs 60 +- 1 frames a second (judged while
// the load stays below the processors), the console stays clean and the
// sound never runs dry.
//   node tests/reliability/page_longrun.mjs SECONDS   (after tools/web.sh)

import {readFileSync} from 'node:fs';
import os from 'node:os';
import {openBrowser, sleep, untilFrames} from '../web/page.mjs';

const seconds = Number(process.argv[2] || 120);
if (!(seconds >= 90)) throw new Error('a long run lasts at least 90 s');
let seed = 24; // the same keys every run
const random = (n) => Math.floor(((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648) * n);

// Before the page's scripts: every wasm memory made or exported.
function watch() {
  const memories = [];
  const Memory = WebAssembly.Memory;
  WebAssembly.Memory = function (...args) { const m = new Memory(...args); memories.push(m); return m; };
  WebAssembly.Memory.prototype = Memory.prototype;
  for (const name of ['instantiate', 'instantiateStreaming']) {
    const real = WebAssembly[name];
    if (real) WebAssembly[name] = (...args) => real.apply(WebAssembly, args).then((result) => {
      for (const value of Object.values((result.instance || result).exports || {}))
        if (value instanceof Memory) memories.push(value);
      return result;
    });
  }
  window.ruzozWatch = {bytes: () => memories.reduce((sum, m) => sum + m.buffer.byteLength, 0), count: () => memories.length};
}

const {url, tab, close} = await openBrowser();
const failures = [];
const fail = (bad, what) => { if (bad) failures.push(what); };
try {
  const page = await tab({width: 800, height: 600});
  await page.evaluateOnNewDocument(watch);
  const cdp = await page.createCDPSession();
  await page.goto(url);
  await untilFrames(page, 1);
  const samples = [];
  const measure = async (at) => {
    await cdp.send('HeapProfiler.collectGarbage');
    const heap = (await cdp.send('Runtime.getHeapUsage')).usedSize;
    const load = Number(readFileSync('/proc/loadavg', 'utf8').split(' ')[0]);
    samples.push({at, heap, load, ...await page.evaluate(() => ({
      frames: window.ruzoz.frames(), now: performance.now(), wasm: window.ruzozWatch.bytes(),
      audio: {played: window.ruzoz.played, underruns: window.ruzoz.underruns, state: window.ruzoz.audioState(),
              rate: window.ruzoz.audioRate()}}))});
  };
  const keys = ['ArrowLeft', 'ArrowLeft', 'ArrowRight', 'ArrowRight', 'ArrowUp', 'ArrowUp',
                'ArrowDown', 'ShiftLeft', 'ShiftLeft', 'Space', 'Enter'];
  const start = Date.now();
  for (let elapsed = 0, next = 0; elapsed < seconds * 1000; elapsed = Date.now() - start) {
    if (elapsed >= next) { await measure(Math.round(elapsed / 1000)); next += 10000; }
    const key = keys[random(keys.length)];
    await page.keyboard.down(key);
    await sleep(30 + random(570));
    await page.keyboard.up(key);
    await sleep(random(400));
  }
  await measure(Math.round((Date.now() - start) / 1000));

  const memories = await page.evaluate(() => window.ruzozWatch.count());
  const rates = [];
  // The first interval includes the start of the sound. One stall of the
  // machine can cost a window a frame or two; the run as a whole must hold
  // 60 +- 1.
  samples.forEach((s, i) => {
    const p = samples[i - 1], rate = i > 1 && (s.frames - p.frames) / ((s.now - p.now) / 1000);
    if (i <= 1 || Math.max(s.load, p.load) >= os.cpus().length) return;
    rates.push(rate);
    fail(rate < 57 || rate > 61, `${rate.toFixed(2)} frames a second at ${s.at} s`);
  });
  const base = samples.find((s) => s.at >= 60);
  const growth = (what) => Math.max(...samples.filter((s) => s.at >= base.at).map((s) => s[what] - base[what]));
  const [heapGrowth, wasmGrowth] = [growth('heap'), growth('wasm')];
  console.log(`page long run, ${seconds} s of random keys, ${memories} wasm memories: after the first minute JS heap grown by at most ${(heapGrowth / 1024).toFixed(1)} kB, ` +
              `wasm by at most ${(wasmGrowth / 1024).toFixed(1)} kB; frames a second in 10 s: ` +
              (rates.length ? `${Math.min(...rates).toFixed(2)} to ${Math.max(...rates).toFixed(2)} in ${rates.length} judged`
                            : 'not judged, the machine was busy throughout'));
  const mean = rates.reduce((sum, r) => sum + r, 0) / rates.length;
  fail(rates.length > 0 && Math.abs(mean - 60) > 1, `${mean.toFixed(2)} frames a second over the judged windows`);
  fail(heapGrowth >= 1 << 20, `JS heap grew by ${heapGrowth} bytes`);
  fail(wasmGrowth >= 1 << 20, `wasm memory grew by ${wasmGrowth} bytes`);
  fail(memories === 0, 'no wasm memory seen');

  // The worklet's reports (every 1024 frames, so a little behind): music
  // frames played from the ring, and quanta the ring could not fill.
  const first = samples[1].audio, last = samples[samples.length - 1].audio;
  const played = (last.played - first.played) / (last.rate || 1);
  const wall = (samples[samples.length - 1].now - samples[1].now) / 1000;
  console.log(`sound: ${last.state}, ${played.toFixed(1)} s of music in ${wall.toFixed(1)} s, ${last.underruns} quanta run dry`);
  fail(last.state !== 'running', `the sound is ${last.state}`);
  fail(last.underruns > 0, `the music ran dry ${last.underruns} times`);
  fail(wall - played > 0.1, `${(wall - played).toFixed(2)} s of output without music`);
  fail(page.complaints.length > 0, `console: ${page.complaints.join(' | ')}`);
} catch (error) {
  failures.push(String(error));
} finally {
  await close();
}
if (failures.length > 0) {
  console.error(`page long run: FAILED: ${failures.join('; ')}`);
  process.exit(1);
}
