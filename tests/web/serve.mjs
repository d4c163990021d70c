// What the page tests (and the page's bench) share: a folder, by default the
// built page (out/web), served on loopback by python3's http.server on a free
// port; the served page in a headless Chromium.

import {spawn} from 'node:child_process';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');

export async function serve(directory = path.join(root, 'out/web')) {
  const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '0',
                                   '--directory', directory],
                       {stdio: ['ignore', 'pipe', 'ignore']});
  const port = await new Promise((resolve, reject) => {
    server.stdout.on('data', (data) => {
      const found = /port (\d+)/.exec(String(data));
      if (found) resolve(found[1]);
    });
    server.on('exit', () => reject(new Error('the http server ended')));
  });
  const base = `http://127.0.0.1:${port}`;
  return {server, base, url: `${base}/index.html`};
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The native back buffer after `frames` frames of the key script in
// `keysPath`, as RGB565 (the snapshot's 8-bit channels narrowed back:
// widening kept the top bits). `build`: the native build folder.
export async function nativeBackBuffer(build, keysPath, frames) {
  const {execFileSync} = await import('node:child_process');
  const {readFileSync, mkdtempSync} = await import('node:fs');
  const {tmpdir} = await import('node:os');
  const shot = path.join(mkdtempSync(path.join(tmpdir(), 'ruzoz-shot-')), 'shot.bmp');
  execFileSync(path.join(build, 'tools/replay/ruzoz-replay'),
               ['--frames', String(frames), '--input', keysPath, '--snapshot', `${frames - 1}:${shot}`],
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

// The built page served and a browser for it, both ended after the test
// `t`; its first tab collects console errors and uncaught exceptions.
export async function openPage(t, puppeteer, args = ['--autoplay-policy=no-user-gesture-required']) {
  const {server, url} = await serve();
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', ...args],
  });
  t.after(async () => { await browser.close(); server.kill(); });
  const page = await browser.newPage();
  const complaints = [];
  page.on('console', (m) => { if (m.type() === 'error') complaints.push(m.text()); });
  page.on('pageerror', (e) => complaints.push(String(e)));
  return {url, browser, page, complaints};
}
