// The page as players get it, in headless Chromium: the progress of a slow
// load, the manifest and its icons, the legend, the sharp picture, the
// ending words, recordings both ways between page and native replay, a 404
// with its retry, mute kept over a reload, and a reload offline from the
// service worker's copy.
//   node --test tests/web/release.test.mjs   (after tools/web.sh; needs the
//   native ruzoz-replay and data folder: RUZOZ_BUILD_DIR, default build)

import test from 'node:test';
import assert from 'node:assert/strict';
import {openPage, sleep, frames, untilFrames, backBuffer, differing, key, goldenScript, nativeBackBuffer,
        nativeTitle} from './page.mjs';

// The largest difference, per channel, between a screenshot of the picture
// and the sharp method computed here from the back buffer: each pixel
// enlarged by the whole multiple that reaches the box, then bilinear down.
async function sharpError(page) {
  const box = await page.evaluate(() => {
    const r = document.getElementById('screen').getBoundingClientRect();
    return {x: Math.round(r.left), y: Math.round(r.top), width: Math.round(r.right) - Math.round(r.left),
            height: Math.round(r.bottom) - Math.round(r.top)};
  });
  const before = await backBuffer(page);
  const shot = await page.screenshot({clip: box, encoding: 'base64'});
  assert.equal(differing(before, await backBuffer(page)), 0, 'the picture changed while shot');
  return page.evaluate(async (shot, box, pixels) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + shot;
    await image.decode();
    const canvas = new OffscreenCanvas(box.width, box.height);
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const seen = context.getImageData(0, 0, box.width, box.height).data;
    const multiple = Math.max(Math.ceil(box.width / 640), Math.ceil(box.height / 480));
    const taps = (size, source) => Array.from({length: size}, (_, i) => {
      const at = Math.max(0, (i + 0.5) * source * multiple / size - 0.5);
      const pixel = Math.floor(at);
      const next = Math.min(pixel + 1, source * multiple - 1);
      return [Math.floor(pixel / multiple), Math.floor(next / multiple), at - pixel];
    });
    const columns = taps(box.width, 640), rows = taps(box.height, 480);
    const channel = (p, c) => c === 0 ? (p >> 11) * 255 / 31 : c === 1 ? (p >> 5 & 63) * 255 / 63 : (p & 31) * 255 / 31;
    let worst = 0;
    for (let y = 0; y < box.height; ++y) {
      const [r0, r1, fy] = rows[y];
      for (let x = 0; x < box.width; ++x) {
        const [c0, c1, fx] = columns[x];
        for (let c = 0; c < 3; ++c) {
          const top = channel(pixels[r0 * 640 + c0], c) * (1 - fx) + channel(pixels[r0 * 640 + c1], c) * fx;
          const bottom = channel(pixels[r1 * 640 + c0], c) * (1 - fx) + channel(pixels[r1 * 640 + c1], c) * fx;
          worst = Math.max(worst, Math.abs(seen[(y * box.width + x) * 4 + c] - (top * (1 - fy) + bottom * fy)));
        }
      }
    }
    return worst;
  }, shot, box, Array.from(before));
}

test('the page as a release', {timeout: 300000}, async (t) => {
  const {server, url, browser} = await openPage(t, ['--lang=en-US']);
  const fresh = async () => {
    const page = await (await browser.createBrowserContext()).newPage();
    await page.setViewport({width: 1280, height: 800});
    return page;
  };

  await t.test('manifest and icons', async () => {
    const manifest = await (await fetch(new URL('manifest.json', url))).json();
    assert.equal(manifest.short_name, 'Ruzoz');
    assert.ok(manifest.name && manifest.start_url && manifest.theme_color && manifest.background_color);
    assert.ok(['fullscreen', 'standalone'].includes(manifest.display));
    assert.equal(manifest.orientation, 'landscape');
    for (const need of [192, 512]) {
      const icon = manifest.icons.find((i) => i.sizes === `${need}x${need}`);
      const png = Buffer.from(await (await fetch(new URL(icon.src, url))).arrayBuffer());
      assert.equal(png.toString('latin1', 1, 4), 'PNG');
      assert.deepEqual([png.readUInt32BE(16), png.readUInt32BE(20)], [need, need]);
    }
  });

  const page = await fresh();
  const complaints = [];
  page.on('pageerror', (e) => complaints.push(String(e)));
  await t.test('a slow load shows its progress, then the title', async () => {
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions',
                   {offline: false, latency: 20, downloadThroughput: 3e6, uploadThroughput: 1e6});
    await page.goto(url);
    await page.waitForFunction(() => {
      const bar = document.querySelector('#note progress');
      return bar && bar.value > 0 && bar.value < bar.max && /MB/.test(bar.nextSibling.textContent);
    }, {timeout: 20000, polling: 50});
    await cdp.send('Network.emulateNetworkConditions',
                   {offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
    await untilFrames(page, 10);
  });

  await t.test('the legend beside the picture, the picture sharp', async () => {
    const [legend, screen] = await page.evaluate(() => ['legend', 'screen'].map((id) => {
      const r = document.getElementById(id).getBoundingClientRect();
      return {left: r.left, right: r.right, width: r.width, shown: !document.getElementById(id).hidden};
    }));
    assert.ok(legend.shown && legend.width > 40 && legend.right <= screen.left, JSON.stringify([legend, screen]));
    // WebGL draws by the sharp rule; without a graphics card, as here, the
    // page asks the browser's filter unless told otherwise.
    const sharp = await fresh();
    await sharp.goto(url + '?picture=webgl');
    await untilFrames(sharp, 10);
    const worst = await sharpError(sharp);
    t.diagnostic(`sharp picture: largest channel difference ${worst.toFixed(2)}`);
    assert.ok(worst <= 2, `picture differs by ${worst}`);
    await sharp.browserContext().close();
  });

  await t.test('Esc ends with words, and the page recording replays natively', async () => {
    for (const [name, hold] of [['Space', 60], ['ArrowLeft', 400], ['ShiftLeft', 60], ['ArrowUp', 300]]) {
      await key(page, name, hold);
      await sleep(150);
    }
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => /The game was ended/.test(document.getElementById('note').textContent),
                               {timeout: 2000});
    const recording = await page.evaluate(() => window.ruzoz.recording());
    const count = await frames(page);
    assert.match(recording, new RegExp(`^${count} down 27$`, 'm'));
    assert.equal(differing(await backBuffer(page), nativeBackBuffer(recording, count)), 0,
                 'native replay of the page recording');
  });

  await t.test('a dropped native recording plays to the native end', async () => {
    const {script, end} = goldenScript('autopilot_game.keys', 400);
    const player = await fresh();
    await player.goto(url);
    await untilFrames(player, 1);
    await Promise.all([player.waitForNavigation(), player.evaluate((text) => {
      const move = new DataTransfer();
      move.items.add(new File([text], 'game.keys'));
      window.dispatchEvent(new DragEvent('drop', {dataTransfer: move}));
    }, script)]);
    await player.waitForFunction(() => window.ruzoz.ready && document.getElementById('note').querySelector('button'),
                                 {timeout: 60000});
    assert.equal(await frames(player), end);
    assert.equal(differing(await backBuffer(player), nativeBackBuffer(script, end)), 0);
    await player.browserContext().close();
  });

  await t.test('a missing ruzoz.data says so in German with a retry', async () => {
    const failing = await fresh();
    await failing.evaluateOnNewDocument(() =>
      Object.defineProperty(navigator, 'languages', {get: () => ['de-AT', 'de']}));
    await failing.setRequestInterception(true);
    let asked = 0;
    failing.on('request', (request) => {
      if (request.url().endsWith('/ruzoz.data')) {
        asked = Date.now();
        request.respond({status: 404, body: ''});
      } else {
        request.continue();
      }
    });
    await failing.goto(url);
    await failing.waitForFunction(() => document.querySelector('#note button'), {timeout: 20000});
    assert.ok(Date.now() - asked < 1000);
    assert.match(await failing.$eval('#note', (n) => n.textContent), /^Herunterladen fehlgeschlagen: ruzoz\.data \(404.*Erneut versuchen/);
    await failing.browserContext().close();
  });

  await t.test('mute silences the output and is kept over a reload', async () => {
    const player = await fresh();
    const soundOpen = async () => {
      await untilFrames(player, 1);
      await player.keyboard.press('KeyX'); // sound starts with a key
      await player.waitForFunction(() => window.ruzoz.outputGain() !== null, {timeout: 10000});
      return player.evaluate(() => window.ruzoz.outputGain());
    };
    await player.goto(url);
    assert.equal(await soundOpen(), 1);
    await player.click('#mute');
    assert.equal(await player.evaluate(() => window.ruzoz.outputGain()), 0);
    await player.reload();
    assert.equal(await soundOpen(), 0);
    assert.equal(await player.$eval('#mute', (b) => b.getAttribute('aria-pressed')), 'true');
    await player.browserContext().close();
  });

  await t.test('offline, a reload plays from the kept copy', async () => {
    await page.evaluate(() => navigator.serviceWorker.ready);
    server.kill();
    await page.setOfflineMode(true);
    await page.reload();
    await untilFrames(page, 10);
    assert.equal(await page.evaluate(() => navigator.serviceWorker.controller !== null), true);
    assert.equal(differing(await backBuffer(page), nativeTitle()), 0);
  });
  assert.deepEqual(complaints, []);
});
