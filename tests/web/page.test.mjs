// The browser version in headless Chromium, one browser for all: the page
// as players get it (progress, manifest, legend, sharp picture, sound off
// the page's thread, recordings both ways, errors, mute, offline), the last
// level at 60 frames a second, the touch pad, held keys and a gamepad.
//   node --test tests/web/page.test.mjs   (after tools/web.sh; needs the
//   native ruzoz-replay and data folder: RUZOZ_BUILD_DIR, default build)
// RUZOZ_SHOTS names a folder for screenshots of the phone's pad.

import {mkdirSync, readFileSync} from 'node:fs';
import path from 'node:path';
import test, {after} from 'node:test';
import assert from 'node:assert/strict';
import {root, openBrowser, sleep, frames, untilFrames, untilNote, backBuffer, region, ship, ammo, differing,
        key, changes, frameRate, goldenScript, nativeBackBuffer, nativeTitle} from './page.mjs';

const {server, url, tab} = await openBrowser({after});
const noteText = (page) => page.$eval('#note', (n) => n.textContent);

// The largest difference, per channel, between a screenshot of the picture
// and the sharp method computed here from the back buffer: each pixel
// enlarged by the whole multiple that reaches the box, then bilinear down.
async function sharpError(page) {
  const box = await page.evaluate(() => {
    const r = document.getElementById('screen').getBoundingClientRect();
    const [x, y] = [Math.round(r.left), Math.round(r.top)];
    return {x, y, width: Math.round(r.right) - x, height: Math.round(r.bottom) - y};
  });
  const before = await backBuffer(page);
  const shot = await page.screenshot({clip: box, encoding: 'base64'});
  assert.equal(differing(before, await backBuffer(page)), 0, 'the picture changed while shot');
  return page.evaluate(async (shot, box, pixels) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + shot;
    await image.decode();
    const context = new OffscreenCanvas(box.width, box.height).getContext('2d');
    context.drawImage(image, 0, 0);
    const seen = context.getImageData(0, 0, box.width, box.height).data;
    const multiple = Math.max(Math.ceil(box.width / 640), Math.ceil(box.height / 480));
    const taps = (size, source) => Array.from({length: size}, (_, i) => {
      const at = Math.max(0, (i + 0.5) * source * multiple / size - 0.5), pixel = Math.floor(at);
      return [Math.floor(pixel / multiple), Math.floor(Math.min(pixel + 1, source * multiple - 1) / multiple), at - pixel];
    });
    const columns = taps(box.width, 640), rows = taps(box.height, 480);
    const channel = (p, c) => c === 0 ? (p >> 11) * 255 / 31 : c === 1 ? (p >> 5 & 63) * 255 / 63 : (p & 31) * 255 / 31;
    const across = (row, [c0, c1, fx], c) => channel(pixels[row * 640 + c0], c) * (1 - fx) + channel(pixels[row * 640 + c1], c) * fx;
    let worst = 0;
    rows.forEach(([r0, r1, fy], y) => columns.forEach((column, x) => {
      for (let c = 0; c < 3; ++c)
        worst = Math.max(worst, Math.abs(seen[(y * box.width + x) * 4 + c] -
                                         (across(r0, column, c) * (1 - fy) + across(r1, column, c) * fy)));
    }));
    return worst;
  }, shot, box, Array.from(before));
}

test('the manifest and its icons', async () => {
  const manifest = await (await fetch(new URL('manifest.json', url))).json();
  assert.equal(manifest.short_name, 'Ruzoz');
  assert.ok(manifest.name && manifest.start_url && manifest.theme_color && manifest.background_color);
  assert.ok(['fullscreen', 'standalone'].includes(manifest.display) && manifest.orientation === 'landscape');
  for (const need of [192, 512]) {
    const icon = manifest.icons.find((i) => i.sizes === `${need}x${need}`);
    const png = Buffer.from(await (await fetch(new URL(icon.src, url))).arrayBuffer());
    assert.deepEqual([png.toString('latin1', 1, 4), png.readUInt32BE(16), png.readUInt32BE(20)], ['PNG', need, need]);
  }
});

test('the sharp picture at 1280 x 800 by WebGL', async (t) => {
  // Without a graphics card, as here, the page asks the browser's filter
  // unless told otherwise.
  const page = await tab();
  await page.goto(url + '?picture=webgl');
  await untilFrames(page, 10);
  const worst = await sharpError(page);
  t.diagnostic(`sharp picture: largest channel difference ${worst.toFixed(2)}`);
  assert.ok(worst <= 2, `picture differs by ${worst}`);
});

test('a dropped native recording plays to the native end', {timeout: 120000}, async () => {
  const {script, end} = goldenScript('autopilot_game.keys', 400);
  const page = await tab();
  await page.goto(url);
  await untilFrames(page, 1);
  await Promise.all([page.waitForNavigation(), page.evaluate((text) => {
    const move = new DataTransfer();
    move.items.add(new File([text], 'game.keys'));
    window.dispatchEvent(new DragEvent('drop', {dataTransfer: move}));
  }, script)]);
  await page.waitForFunction(() => window.ruzoz.ready && document.querySelector('#note button'), {timeout: 60000});
  assert.equal(await frames(page), end);
  assert.equal(differing(await backBuffer(page), nativeBackBuffer(script, end)), 0);
});

test('a missing ruzoz.data says so in German with a retry within a second', async () => {
  const page = await tab();
  await page.evaluateOnNewDocument(() => Object.defineProperty(navigator, 'languages', {get: () => ['de-AT', 'de']}));
  await page.setRequestInterception(true);
  let asked = 0;
  page.on('request', (request) => {
    if (!request.url().endsWith('/ruzoz.data')) return request.continue();
    asked = Date.now();
    request.respond({status: 404, body: ''});
  });
  await page.goto(url);
  await untilNote(page, 20000);
  assert.ok(Date.now() - asked < 1000);
  assert.match(await noteText(page), /^Herunterladen fehlgeschlagen: ruzoz\.data \(404.*Erneut versuchen/);
});

test('a start-up without sound shows its text', async () => {
  const page = await tab();
  await page.evaluateOnNewDocument(() => { delete window.AudioContext; delete window.webkitAudioContext; });
  await page.goto(url);
  await untilNote(page);
  const texts = readFileSync(path.join(root, 'src/ports/Texts.h'), 'utf8');
  const note = await noteText(page);
  assert.ok(note.startsWith(/soundDeviceFailed\[\] = "([^"]*)"/.exec(texts)[1]), note);
  assert.equal(await frames(page), 0);
});

test('the won game\'s last level at 60 frames a second, ending on the native frame', {timeout: 600000}, async (t) => {
  // Its first play frame: the checkpoints list every line from there on,
  // and only every 1000th before.
  const listed = readFileSync(path.join(root, 'tests/golden/won_game.checkpoints'), 'latin1').split('\n')
    .filter((l) => /^\d+ /.test(l)).map((l) => Number(l.split(' ')[0]));
  const from = listed.find((f, i) => listed[i + 1] === f + 1);
  assert.ok(from > 100000, `level 15 starts at ${from}`);
  // The frames before it run at once, unseen; 1500 frames of it are shown.
  const {script, end} = goldenScript('won_game.keys', from + 1500 - 120);
  const page = await tab({width: 800, height: 600});
  // The game's arguments and the script's file, handed to the page's module.
  await page.evaluateOnNewDocument((script, from) => {
    let made;
    Object.defineProperty(window, 'createRuzoz', {
      configurable: true,
      set(f) { made = f; },
      get: () => (module) => made(Object.assign(module, {
        arguments: ['--play', '/last.keys', '--from', String(from)],
        preRun: [() => module.FS_createDataFile('/', 'last.keys', script, true, false, false)],
      })),
    });
  }, script, from);
  await page.goto(url);
  const started = Date.now();
  await page.waitForFunction(() => window.ruzoz.frames() > 60, {timeout: 300000, polling: 500});
  t.diagnostic(`frames 0..${from - 1} ran ahead in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  const rate = await frameRate(page, 15000);
  t.diagnostic(`${rate.toFixed(2)} frames a second on level 15`);
  assert.ok(Math.abs(rate - 60) <= 1, `frame rate ${rate}`);
  await untilNote(page, 120000);
  assert.equal(await frames(page), end - from);
  assert.equal(differing(await backBuffer(page), nativeBackBuffer(script, end)), 0, 'the last frame differs');
  assert.deepEqual(page.complaints, []);
});

// The touch pad's buttons, the picture and its head-up display: their boxes.
const labels = ['Links', 'Rechts', 'Schub', 'Rückwärts', 'Feuer', 'Start', 'Infos'];
const layout = (page) => page.evaluate((labels) => {
  const box = ({left, top, right, bottom}) => ({left, top, right, bottom});
  const screen = document.getElementById('screen').getBoundingClientRect();
  const scale = screen.width / 640;
  const band = (x, y, w, h) => ({left: screen.left + x * scale, top: screen.top + y * scale,
                                 right: screen.left + (x + w) * scale, bottom: screen.top + (y + h) * scale});
  const buttons = labels.map((label) => {
    const button = document.querySelector(`button[aria-label="${label}"]`);
    const r = button.getBoundingClientRect();
    const onTop = document.elementFromPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return {label, ...box(r), visible: button.checkVisibility() && r.width > 0,
            reachable: onTop !== null && onTop.closest('button') === button};
  });
  // "Punkte" and "Schild" at row 16, "U F O S" and "Munition" at row 448,
  // from column 32 to the numbers' last digits at 576.
  return {buttons, screen: box(screen), hud: [band(32, 16, 560, 16), band(32, 448, 560, 16)],
          width: innerWidth, height: innerHeight, scrollable: document.scrollingElement.scrollHeight > innerHeight};
}, labels);
const overlaps = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
const centre = (b) => ({x: (b.left + b.right) / 2, y: (b.top + b.bottom) / 2});
function checkPad(seen, where) {
  assert.equal(seen.scrollable, false, `${where}: the page scrolls`);
  for (const b of seen.buttons) {
    assert.ok(b.visible && b.reachable, `${where}: ${b.label} not shown or covered`);
    assert.ok(b.left >= 0 && b.top >= 0 && b.right <= seen.width && b.bottom <= seen.height, `${where}: ${b.label} off the page`);
    assert.ok(b.right - b.left >= 40 && b.bottom - b.top >= 30, `${where}: ${b.label} smaller than a thumb`);
    for (const other of [...seen.hud, ...seen.buttons])
      assert.ok(other === b || !overlaps(b, other), `${where}: ${b.label} covers ${other.label || 'the HUD'}`);
  }
  assert.ok(seen.screen.bottom - seen.screen.top >= seen.height * 0.3, `${where}: the picture is tiny`);
}

// A key held from `from` to `to` ms (the least and most it can have been):
// its press, a repeat at 500 ms and 30 a second after it; a refresh more at
// the end, fewer where a busy machine stalls the page (repeats do not catch
// up). The browser's own repeats, kept or taken instead, give 10 a second.
const byTheRule = (count, from, to) => {
  const sent = (ms) => 1 + (ms < 500 ? 0 : Math.floor((ms - 500) * 30 / 1000) + 1);
  return count >= Math.floor(sent(from) * 0.7) && count <= sent(to) + 1;
};
const vk = {left: 37, shift: 16, space: 32};
const keyDowns = (page, code) => page.evaluate((code) => window.ruzoz.keyDowns(code), code);
const phone = {isMobile: true, hasTouch: true, deviceScaleFactor: 2};
const shots = process.env.RUZOZ_SHOTS;
if (shots) mkdirSync(shots, {recursive: true});
async function running(viewport) {
  const page = await tab(viewport);
  await page.goto(url);
  await untilFrames(page, 11);
  return page;
}
const picture = (page) => region(page, 0, 0, 640, 480);

test('a phone held sideways plays by its touch pad', async (t) => {
  const page = await running({width: 844, height: 390, ...phone});
  const seen = await layout(page);
  checkPad(seen, 'landscape');
  const at = Object.fromEntries(seen.buttons.map((b) => [b.label, centre(b)]));
  const touch = page.touchscreen;
  const finger = async (label, ms, move = touch.touchStart) => { await move.call(touch, at[label].x, at[label].y); await sleep(ms); };
  assert.ok(await changes(() => picture(page), () => finger('Start', 300)), 'Start did not start a game');
  await touch.touchEnd();
  assert.ok(await changes(() => ship(page), () => finger('Links', 500)), 'the ship did not turn');
  await touch.touchEnd();
  assert.ok(await changes(() => ammo(page), async () => { await finger('Feuer', 60); await touch.touchEnd(); await sleep(200); }),
            'Feuer did not fire');

  // Held, it fires again and again: a new shot each time one ends.
  await sleep(300);
  const fires = await keyDowns(page, vk.shift);
  const pressed = Date.now();
  await finger('Feuer', 0);
  const touched = Date.now();
  const counts = new Set();
  for (let i = 0; i < 16; ++i) {
    counts.add(await ammo(page));
    await sleep(100);
  }
  const lifting = Date.now();
  await touch.touchEnd();
  const repeated = await keyDowns(page, vk.shift) - fires;
  t.diagnostic(`Feuer held ${lifting - touched} to ${Date.now() - pressed} ms: ${repeated} key-downs, ${counts.size} shots`);
  assert.ok(byTheRule(repeated, lifting - touched, Date.now() - pressed), `${repeated} key-downs`);
  assert.ok(counts.size >= 5, `only ${counts.size} shots`);
  if (shots) await page.screenshot({path: path.join(shots, 'touch-landscape.png')});

  // A finger from Links onto Feuer: Left let go, Shift pressed and
  // repeating, Left not.
  const [lefts, shifts] = [await keyDowns(page, vk.left), await keyDowns(page, vk.shift)];
  await finger('Links', 100);
  await touch.touchMove((at.Links.x + at.Feuer.x) / 2, at.Links.y);
  await sleep(100);
  assert.equal(await keyDowns(page, vk.shift) - shifts, 0, 'a key between the buttons');
  await finger('Feuer', 100, touch.touchMove);
  assert.equal(await keyDowns(page, vk.shift) - shifts, 1, 'sliding onto Feuer pressed no Shift');
  await sleep(700);
  await touch.touchEnd();
  assert.equal(await keyDowns(page, vk.left) - lefts, 1, 'Left repeats after the finger left it');
  assert.ok(await keyDowns(page, vk.shift) - shifts > 5, 'Shift does not repeat after the slide');
  // From Feuer onto Links: the ship turns at once (Shift is let go before
  // Left is pressed, so its other message does not stop the turn).
  await finger('Feuer', 100);
  assert.ok(await changes(() => ship(page), () => finger('Links', 300, touch.touchMove)), 'no turn after the slide');
  await touch.touchEnd();
  assert.deepEqual(page.complaints, []);
});

test('a phone held upright has its pad under the picture', async () => {
  const page = await running({width: 390, height: 844, ...phone});
  const seen = await layout(page);
  checkPad(seen, 'portrait');
  for (const b of seen.buttons) assert.ok(b.top >= seen.screen.bottom, `${b.label} is not under the picture`);
  if (shots) {
    const start = centre(seen.buttons.find((b) => b.label === 'Start'));
    await page.touchscreen.tap(start.x, start.y);
    await sleep(400);
    await page.screenshot({path: path.join(shots, 'touch-portrait.png')});
  }
});

test('a desktop has no pad; Alt+Enter held is full screen once; a gamepad plays', async () => {
  const page = await running();
  const seen = await layout(page);
  for (const b of seen.buttons) assert.equal(b.visible, false, `${b.label} shown on a desktop`);
  assert.ok(seen.screen.right - seen.screen.left >= 1000, 'the picture leaves room for a pad');

  // Alt+Enter held: full screen once (the browser's repeats are dropped),
  // Esc locked where it can be.
  await page.evaluate(() => {
    window.fullScreenChanges = 0;
    document.addEventListener('fullscreenchange', () => ++window.fullScreenChanges);
    if (navigator.keyboard) navigator.keyboard.lock = (keys) => { window.locked = keys; return Promise.resolve(); };
  });
  await page.keyboard.down('Alt');
  for (let i = 0; i < 4; ++i) { await page.keyboard.down('Enter'); await sleep(50); }
  await page.keyboard.up('Enter');
  await page.keyboard.up('Alt');
  await sleep(300);
  assert.deepEqual(await page.evaluate(() => [window.fullScreenChanges, document.fullscreenElement === document.documentElement,
                                              window.locked]), [1, true, ['Escape']]);
  await page.keyboard.down('Alt');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Alt');
  await page.waitForFunction(() => !document.fullscreenElement, {timeout: 5000});

  // A standard gamepad, plugged in now.
  await page.evaluate(() => {
    const button = (down) => ({pressed: down, touched: down, value: down ? 1 : 0});
    const pad = window.fakePad = {index: 0, id: 'fake', connected: true, mapping: 'standard', timestamp: 0,
                                  buttons: Array.from({length: 17}, () => button(false)), axes: [0, 0, 0, 0]};
    let plugged = true;
    navigator.getGamepads = () => [plugged ? pad : null, null, null, null];
    window.plug = (name) => {
      const event = new Event(name);
      Object.defineProperty(event, 'gamepad', {value: pad});
      plugged = name === 'gamepadconnected';
      window.dispatchEvent(event);
    };
    window.plug('gamepadconnected');
    window.padButton = (i, down) => { pad.buttons[i] = button(down); };
  });
  const pad = async (act, ms) => { await page.evaluate(act); await sleep(ms); };
  const spaces = await keyDowns(page, vk.space);
  assert.ok(await changes(() => picture(page), async () => {
    await pad(() => window.padButton(9, true), 150);
    await pad(() => window.padButton(9, false), 300);
  }), 'Start did not start a game');
  assert.equal(await keyDowns(page, vk.space) - spaces, 1, 'Start is not one Space');
  // The stick: a little is nothing, far enough is Left, repeating until the
  // pad is unplugged.
  const lefts = await keyDowns(page, vk.left);
  await pad(() => { window.fakePad.axes[0] = -0.4; }, 200);
  assert.equal(await keyDowns(page, vk.left), lefts, 'the dead zone pressed Left');
  assert.ok(await changes(() => ship(page), () => pad(() => { window.fakePad.axes[0] = -1; }, 800)), 'no turn by the stick');
  await pad(() => window.plug('gamepaddisconnected'), 100);
  assert.ok(!await changes(() => keyDowns(page, vk.left), () => sleep(300)), 'an unplugged pad repeats');
  // Plugged in again, Back and Start together are Esc: the game ends.
  await page.evaluate(() => {
    window.fakePad.axes[0] = 0;
    window.plug('gamepadconnected');
    window.padButton(8, true);
    window.padButton(9, true);
  });
  await page.waitForFunction(() => !document.getElementById('note').hidden, {timeout: 5000});
  assert.ok(!await changes(() => frames(page), () => sleep(300)), 'frames run after Back+Start');
  assert.deepEqual(page.complaints, []);
});

// Last: it ends the server.
test('a slow first visit, play, mute, Esc, then a reload offline', {timeout: 300000}, async (t) => {
  const page = await tab();
  // Every ScriptProcessor the page would make, counted.
  await page.evaluateOnNewDocument(() => {
    window.scriptProcessors = 0;
    const made = BaseAudioContext.prototype.createScriptProcessor;
    BaseAudioContext.prototype.createScriptProcessor = function (...args) { ++window.scriptProcessors; return made.apply(this, args); };
    window.ScriptProcessorNode = new Proxy(window.ScriptProcessorNode, {
      construct: (target, args) => { ++window.scriptProcessors; return Reflect.construct(target, args); },
    });
  });
  const cdp = await page.createCDPSession();
  const network = (latency, down, up) =>
    cdp.send('Network.emulateNetworkConditions', {offline: false, latency, downloadThroughput: down, uploadThroughput: up});
  await cdp.send('Network.enable');
  await network(20, 3e6, 1e6);
  await page.goto(url);
  await page.waitForFunction(() => {
    const bar = document.querySelector('#note progress');
    return bar && bar.value > 0 && bar.value < bar.max && /MB/.test(bar.nextSibling.textContent);
  }, {timeout: 20000, polling: 50});
  await network(0, -1, -1);
  await untilFrames(page, 10);
  await page.evaluate(() => window.ruzoz.meter());
  assert.equal(differing(await backBuffer(page), nativeTitle()), 0, 'title differs from native');
  const [legend, screen] = await page.evaluate(() => ['legend', 'screen'].map((id) => {
    const r = document.getElementById(id).getBoundingClientRect();
    return {left: r.left, right: r.right, width: r.width, shown: !document.getElementById(id).hidden};
  }));
  assert.ok(legend.shown && legend.width > 40 && legend.right <= screen.left, JSON.stringify([legend, screen]));

  const rate = await frameRate(page, 10000);
  t.diagnostic(`${rate.toFixed(2)} frames a second`);
  assert.ok(Math.abs(rate - 60) <= 1, `frame rate ${rate}`);
  assert.deepEqual(await page.evaluate(() => [window.ruzoz.audioState(), window.ruzoz.peak > 0.01, window.scriptProcessors]),
                   ['running', true, 0], 'the worklet silent, or a ScriptProcessor');

  // The page's thread busy for 150 ms every second: the music plays on from
  // its ring, and so do the frames.
  const counts = () => page.evaluate(() => [window.ruzoz.underruns, window.ruzoz.frames()]);
  const [u0, f0] = await counts();
  await page.evaluate(async () => {
    for (let stall = 0; stall < 4; ++stall) {
      await new Promise((wake) => setTimeout(wake, 1000));
      for (const end = performance.now() + 150; performance.now() < end;);
    }
  });
  await sleep(300);
  const [u1, f1] = await counts();
  assert.equal(u1 - u0, 0, 'the music ran dry');
  assert.ok(f1 - f0 > 150, `frames stopped: ${f1 - f0}`);

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
  assert.ok(await changes(() => ship(page), () => key(page, 'ArrowLeft', 500)), 'the ship did not turn');
  assert.ok(await changes(() => ammo(page), () => key(page, 'ShiftLeft', 300)), 'no shot fired');
  await key(page, 'ArrowUp', 300);
  // The canvas shows the last flip whole: the rows it changed and those it kept.
  assert.equal(await page.evaluate(() => {
    const shown = document.getElementById('screen').getContext('2d').getImageData(0, 0, 640, 480).data;
    const wide = (v, bits) => v << (8 - bits) | v >> (2 * bits - 8);
    return window.ruzoz.backBuffer().reduce((n, p, i) => n + (shown[4 * i] !== wide(p >> 11, 5) ||
      shown[4 * i + 1] !== wide(p >> 5 & 63, 6) || shown[4 * i + 2] !== wide(p & 31, 5)), 0);
  }), 0, 'the canvas differs from the back buffer');
  const gain = () => page.evaluate(() => window.ruzoz.outputGain());
  assert.equal(await gain(), 1);
  await page.click('#mute');
  assert.equal(await gain(), 0, 'mute did not silence');

  // Esc ends it: the ending words, no more frames, the sound closed, and
  // the page's recording replays natively to the page's last frame.
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => /The game was ended/.test(document.getElementById('note').textContent), {timeout: 2000});
  await sleep(300);
  const count = await frames(page);
  const recording = await page.evaluate(() => window.ruzoz.recording());
  assert.match(recording, new RegExp(`^${count} down 27$`, 'm'));
  assert.equal(differing(await backBuffer(page), nativeBackBuffer(recording, count)), 0, 'native replay of the page recording');
  assert.deepEqual([await frames(page), await page.evaluate(() => window.ruzoz.audioState())], [count, 'closed']);
  assert.deepEqual(page.complaints, []);

  // Start again with the server gone: the service worker's copy plays,
  // still muted.
  await page.evaluate(() => navigator.serviceWorker.ready);
  server.kill();
  await page.setOfflineMode(true);
  await Promise.all([page.waitForNavigation(), page.click('#note button')]);
  await untilFrames(page, 10);
  assert.equal(await page.evaluate(() => navigator.serviceWorker.controller !== null), true);
  assert.equal(differing(await backBuffer(page), nativeTitle()), 0, 'offline title differs');
  await page.keyboard.press('KeyX'); // sound starts with a key
  await page.waitForFunction(() => window.ruzoz.outputGain() !== null, {timeout: 10000});
  assert.deepEqual([await gain(), await page.$eval('#mute', (b) => b.getAttribute('aria-pressed'))], [0, 'true']);
});
