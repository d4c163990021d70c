import {createRequire} from 'node:module';
const require = createRequire(import.meta.url);
const puppeteer = require('puppeteer-core');
const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox']});
const page = await browser.newPage();
await page.setViewport({width: 1280, height: 800});
await page.goto('http://127.0.0.1:8123/index.html');
await page.waitForFunction(() => window.ruzoz.frames() > 20, {timeout: 60000});
const info = await page.evaluate(() => { const c = document.getElementById('screen'); const r = c.getBoundingClientRect(); return [c.width, c.height, r.left, r.right, r.top, r.bottom]; });
console.log(info);
const box = {x: 107, y: 0, width: info[0], height: info[1]};
const shot = await page.screenshot({clip: box, encoding: 'base64'});
const res = await page.evaluate(async (shot, box) => {
  const pixels = window.ruzoz.backBuffer();
  const image = new Image(); image.src = 'data:image/png;base64,' + shot; await image.decode();
  const cv = new OffscreenCanvas(box.width, box.height); const cx = cv.getContext('2d'); cx.drawImage(image, 0, 0);
  const seen = cx.getImageData(0, 0, box.width, box.height).data;
  // Also read the canvas itself.
  const own = document.getElementById('screen').getContext('2d').getImageData(0, 0, box.width, box.height).data;
  const multiple = Math.max(Math.ceil(box.width / 640), Math.ceil(box.height / 480));
  const taps = (size, source, shift) => Array.from({length: size}, (_, i) => {
    const at = Math.max(0, (i + 0.5) * source * multiple / size - 0.5 + shift);
    const pixel = Math.floor(at); const next = Math.min(pixel + 1, source * multiple - 1);
    return [Math.floor(pixel / multiple), Math.floor(next / multiple), window.q ? Math.round((at - pixel) * window.q) / window.q : at - pixel];
  });
  const channel = (p, c) => c === 0 ? (p >> 11) * 255 / 31 : c === 1 ? (p >> 5 & 63) * 255 / 63 : (p & 31) * 255 / 31;
  const stats = (data, shift) => {
    const columns = taps(box.width, 640, shift), rows = taps(box.height, 480, shift);
    let worst = 0, sum = 0, over = 0, wx = 0, wy = 0;
    for (let y = 0; y < box.height; ++y) { const [r0, r1, fy] = rows[y];
      for (let x = 0; x < box.width; ++x) { const [c0, c1, fx] = columns[x];
        for (let c = 0; c < 3; ++c) {
          const top = channel(pixels[r0 * 640 + c0], c) * (1 - fx) + channel(pixels[r0 * 640 + c1], c) * fx;
          const bottom = channel(pixels[r1 * 640 + c0], c) * (1 - fx) + channel(pixels[r1 * 640 + c1], c) * fx;
          const d = Math.abs(data[(y * box.width + x) * 4 + c] - (top * (1 - fy) + bottom * fy));
          sum += d; if (d > 2) ++over; if (d > worst) { worst = d; wx = x; wy = y; }
        } } }
    return [worst, sum / (box.width * box.height * 3), over, wx, wy];
  };
  let same = 0; for (let i = 0; i < seen.length; ++i) if (Math.abs(seen[i] - own[i]) > 1) ++same;
  const columns = taps(box.width, 640, 0), rows = taps(box.height, 480, 0);
  const out = [];
  for (const [x, y] of [[912, 506], [204, 506]]) {
    const [r0, r1, fy] = rows[y], [c0, c1, fx] = columns[x];
    const v = (r, c) => channel(pixels[r * 640 + c], 0).toFixed(0);
    out.push({x, y, fx, fy, src: [v(r0, c0), v(r0, c1), v(r1, c0), v(r1, c1)],
      got: [own[(y * box.width + x) * 4]], col: Array.from({length: 5}, (_, k) => own[((y - 2 + k) * box.width + x) * 4]),
      row: Array.from({length: 5}, (_, k) => own[(y * box.width + x - 2 + k) * 4]),
      srccol: Array.from({length: 4}, (_, k) => v(r0 - 1 + k, c0))});
  }
  // error by y fraction bucket and x fraction bucket
  const by = new Array(10).fill(0), bx = new Array(10).fill(0), ny = new Array(10).fill(0), nx = new Array(10).fill(0);
  for (let y = 0; y < box.height; ++y) { const [r0, r1, fy] = rows[y];
    for (let x = 0; x < box.width; ++x) { const [c0, c1, fx] = columns[x];
      const top = channel(pixels[r0 * 640 + c0], 1) * (1 - fx) + channel(pixels[r0 * 640 + c1], 1) * fx;
      const bottom = channel(pixels[r1 * 640 + c0], 1) * (1 - fx) + channel(pixels[r1 * 640 + c1], 1) * fx;
      const d = Math.abs(own[(y * box.width + x) * 4 + 1] - (top * (1 - fy) + bottom * fy));
      by[Math.min(9, Math.floor(fy * 10))] += d; ny[Math.min(9, Math.floor(fy * 10))]++;
      bx[Math.min(9, Math.floor(fx * 10))] += d; nx[Math.min(9, Math.floor(fx * 10))]++; } }
  out.push(by.map((v, i) => (v / ny[i]).toFixed(2)).join(' '), bx.map((v, i) => (v / nx[i]).toFixed(2)).join(' '));
  return out;
}, shot, box);
console.log(JSON.stringify(res));
await browser.close();
