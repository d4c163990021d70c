// The page for a long run in headless Chromium with random keys (never Esc):
// after the first minute the JS heap (collected) and the wasm memories grow
// by less than 1 MB, every 10 s runs 60 +- 1 frames a second (judged while
// the load stays below the processors), the console stays clean and the
// sound never runs dry.
//   node tests/reliability/page_longrun.mjs SECONDS   (after tools/web.sh)

import {readFileSync} from 'node:fs';
import os from 'node:os';
import {openPage, sleep, untilFrames} from '../web/page.mjs';

const seconds = Number(process.argv[2] || 120);
if (!(seconds >= 90)) throw new Error('a long run lasts at least 90 s');

// The same keys every run.
let seed = 24;
const random = (n) => {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return Math.floor((seed / 2147483648) * n);
};

// Before the page's scripts: every wasm memory made.
function watch() {
  const memories = [];
  const keep = (result) => {
    const instance = result.instance || result;
    for (const value of Object.values(instance.exports || {}))
      if (value instanceof WebAssembly.Memory) memories.push(value);
    return result;
  };
  const Memory = WebAssembly.Memory;
  WebAssembly.Memory = function (...args) {
    const memory = new Memory(...args);
    memories.push(memory);
    return memory;
  };
  WebAssembly.Memory.prototype = Memory.prototype;
  for (const name of ['instantiate', 'instantiateStreaming']) {
    const real = WebAssembly[name];
    if (real) WebAssembly[name] = (...args) => real.apply(WebAssembly, args).then(keep);
  }
  window.ruzozWatch = {
    wasmBytes: () => memories.reduce((sum, m) => sum + m.buffer.byteLength, 0),
    memories: () => memories.length,
  };
}

const {url, page, complaints, close} = await openPage();
const failures = [];
try {
  await page.evaluateOnNewDocument(watch);
  const cdp = await page.target().createCDPSession();
  await page.goto(url, {waitUntil: 'load'});
  await untilFrames(page, 1);

  const samples = [];
  const measure = async (at) => {
    await cdp.send('HeapProfiler.collectGarbage');
    const heap = await cdp.send('Runtime.getHeapUsage');
    const [frames, now, wasm, audio] = await page.evaluate(() => [
      window.ruzoz.frames(), performance.now(), window.ruzozWatch.wasmBytes(),
      {played: window.ruzoz.played, underruns: window.ruzoz.underruns,
       state: window.ruzoz.audioState(), rate: window.ruzoz.audioRate()}]);
    const load = Number(readFileSync('/proc/loadavg', 'utf8').split(' ')[0]);
    samples.push({at, frames, now, heap: heap.usedSize, wasm, audio, load});
  };

  const keys = ['ArrowLeft', 'ArrowLeft', 'ArrowRight', 'ArrowRight', 'ArrowUp', 'ArrowUp',
                'ArrowDown', 'ShiftLeft', 'ShiftLeft', 'Space', 'Enter'];
  const start = Date.now();
  let nextSample = 0;
  for (let elapsed = 0; elapsed < seconds * 1000; elapsed = Date.now() - start) {
    if (elapsed >= nextSample) {
      await measure(Math.round(elapsed / 1000));
      nextSample += 10000;
    }
    const key = keys[random(keys.length)];
    await page.keyboard.down(key);
    await sleep(30 + random(570));
    await page.keyboard.up(key);
    await sleep(random(400));
  }
  await measure(Math.round((Date.now() - start) / 1000));

  const memories = await page.evaluate(() => window.ruzozWatch.memories());
  console.log(`page long run: ${seconds} s of random keys, ${memories} wasm memories; ` +
              '10-second samples (s, JS heap kB, wasm kB, frames a second, load):');
  const processors = os.cpus().length;
  const base = samples.find((s) => s.at >= 60);
  const kB = (bytes) => (bytes / 1024).toFixed(0).padStart(7);
  const rates = [];
  samples.forEach((s, i) => {
    const p = samples[i - 1];
    const rate = p ? (s.frames - p.frames) / ((s.now - p.now) / 1000) : NaN;
    // The first interval includes the start of the sound.
    if (i > 1 && Math.max(s.load, p.load) < processors) {
      rates.push(rate);
      // One stall of the machine can cost a window a frame or two; the run
      // as a whole must hold 60 +- 1.
      if (rate < 57 || rate > 61) failures.push(`${rate.toFixed(2)} frames a second at ${s.at} s`);
    }
    console.log(`  ${String(s.at).padStart(4)} s  ${kB(s.heap)} kB  ${kB(s.wasm)} kB  ` +
                `${isNaN(rate) ? '     ' : rate.toFixed(2)}  load ${s.load.toFixed(2)}`);
  });
  const after = samples.filter((s) => s.at >= base.at);
  const growth = (what) => Math.max(...after.map((s) => s[what] - base[what]));
  const [heapGrowth, wasmGrowth] = [growth('heap'), growth('wasm')];
  console.log(`after the first minute: JS heap ${kB(base.heap).trim()} kB grown by at most ` +
              `${(heapGrowth / 1024).toFixed(1)} kB; wasm ${kB(base.wasm).trim()} kB grown by at most ` +
              `${(wasmGrowth / 1024).toFixed(1)} kB`);
  const mean = rates.reduce((sum, r) => sum + r, 0) / rates.length;
  console.log(rates.length > 0
    ? `frames a second in 10 s: ${Math.min(...rates).toFixed(2)} to ${Math.max(...rates).toFixed(2)} ` +
      `in ${rates.length} judged of ${samples.length - 2}`
    : `frames a second not judged: the machine was busy (load ${processors} or more) throughout`);
  if (rates.length > 0 && Math.abs(mean - 60) > 1) failures.push(`${mean.toFixed(2)} frames a second over the judged windows`);
  if (heapGrowth >= 1 << 20) failures.push(`JS heap grew by ${heapGrowth} bytes`);
  if (wasmGrowth >= 1 << 20) failures.push(`wasm memory grew by ${wasmGrowth} bytes`);
  if (memories === 0) failures.push('no wasm memory seen');

  // The worklet's reports: music frames played from the ring, and quanta
  // the ring could not fill.
  const first = samples[1].audio, last = samples[samples.length - 1].audio;
  const playedSeconds = (last.played - first.played) / (last.rate || 1);
  const wall = (samples[samples.length - 1].now - samples[1].now) / 1000;
  console.log(`sound: ${last.state}, ${playedSeconds.toFixed(1)} s of music played in ` +
              `${wall.toFixed(1)} s, ${last.underruns} quanta run dry`);
  if (last.state !== 'running') failures.push(`the sound is ${last.state}`);
  if (last.played <= first.played) failures.push('the sound never ran');
  if (last.underruns > 0) failures.push(`the music ran dry ${last.underruns} times`);
  // Reports come every 1024 frames, so the count lags the output a little.
  if (wall - playedSeconds > 0.1) failures.push(`${(wall - playedSeconds).toFixed(2)} s of output without music`);
  if (complaints.length > 0) failures.push(`console: ${complaints.join(' | ')}`);
} catch (error) {
  failures.push(String(error));
} finally {
  await close();
}
if (failures.length > 0) {
  console.error(`page long run: FAILED: ${failures.join('; ')}`);
  process.exit(1);
}
