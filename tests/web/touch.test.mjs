// The keys without a keyboard and by the game's repeat rule: a phone's touch
// pad in both orientations (beside the picture, clear of the head-up
// display, sliding from button to button), none on a desktop, held keys
// repeating by the game's clock, and a standard gamepad.
//   node --test tests/web/touch.test.mjs   (after tools/web.sh)
// RUZOZ_SHOTS names a folder for screenshots of the phone's pad.

import {mkdirSync} from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import assert from 'node:assert/strict';
import {openPage, complaintsOf, sleep, untilFrames, region, ship, ammo} from './page.mjs';

const shots = process.env.RUZOZ_SHOTS;
const labels = ['Links', 'Rechts', 'Schub', 'Rückwärts', 'Feuer', 'Start', 'Infos'];
const vk = {left: 37, up: 38, right: 39, shift: 16, space: 32};

// The page at `viewport`, running.
async function open(browser, url, viewport) {
  const page = await browser.newPage();
  const complaints = complaintsOf(page);
  await page.setViewport(viewport);
  await page.goto(url, {waitUntil: 'load'});
  await untilFrames(page, 11);
  return {page, complaints, picture: () => region(page, 0, 0, 640, 480),
          keyDowns: (code) => page.evaluate((code) => window.ruzoz.keyDowns(code), code)};
}

// Each button's box, the picture's box and the boxes of its head-up display.
async function layout(page) {
  return page.evaluate((labels) => {
    const box = (r) => ({left: r.left, top: r.top, right: r.right, bottom: r.bottom});
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
}

// A key held from `from` to `to` ms (the least and most it can have been):
// its press, a repeat at 500 ms and 30 a second after it; a refresh more at
// the end, fewer where a busy machine stalls the page (repeats do not catch
// up). The browser's own repeats, kept or taken instead, give 10 a second.
const byTheRule = (count, from, to) => {
  const sent = (ms) => 1 + (ms < 500 ? 0 : Math.floor((ms - 500) * 30 / 1000) + 1);
  return count >= Math.floor(sent(from) * 0.7) && count <= sent(to) + 1;
};
const overlaps = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
const centre = (b) => ({x: (b.left + b.right) / 2, y: (b.top + b.bottom) / 2});

function checkPad(seen, where) {
  assert.equal(seen.scrollable, false, `${where}: the page scrolls`);
  for (const b of seen.buttons) {
    assert.ok(b.visible && b.reachable, `${where}: ${b.label} not shown or covered`);
    assert.ok(b.left >= 0 && b.top >= 0 && b.right <= seen.width && b.bottom <= seen.height,
              `${where}: ${b.label} off the page`);
    // A thumb's size.
    assert.ok(b.right - b.left >= 40 && b.bottom - b.top >= 30, `${where}: ${b.label} too small`);
    for (const band of seen.hud) assert.ok(!overlaps(b, band), `${where}: ${b.label} covers the HUD`);
    for (const other of seen.buttons)
      if (other !== b) assert.ok(!overlaps(b, other), `${where}: ${b.label} overlaps ${other.label}`);
  }
  assert.ok(seen.screen.bottom - seen.screen.top >= seen.height * 0.3, `${where}: the picture is tiny`);
}

test('touch, keys and gamepads by the game\'s rule', {timeout: 240000}, async (t) => {
  const {url, browser, page: first} = await openPage(t);
  await first.close();
  if (shots) mkdirSync(shots, {recursive: true});
  const phone = {isMobile: true, hasTouch: true, deviceScaleFactor: 2};

  await t.test('a phone held sideways plays by its touch pad', async () => {
    const game = await open(browser, url, {width: 844, height: 390, ...phone});
    const {page} = game;
    const seen = await layout(page);
    checkPad(seen, 'landscape');
    const at = Object.fromEntries(seen.buttons.map((b) => [b.label, centre(b)]));
    const touch = page.touchscreen;

    const title = await game.picture();
    await touch.tap(at.Start.x, at.Start.y);
    await sleep(300);
    assert.notEqual(await game.picture(), title, 'Start did not start a game');

    const turned = await ship(page);
    await touch.touchStart(at.Links.x, at.Links.y);
    await sleep(500);
    assert.notEqual(await ship(page), turned, 'the ship did not turn');
    await touch.touchEnd();

    const fired = await ammo(page);
    await touch.tap(at.Feuer.x, at.Feuer.y);
    await sleep(200);
    assert.notEqual(await ammo(page), fired, 'Feuer did not fire');

    // Held, it fires again and again: a new shot each time one ends.
    await sleep(300);
    const fires = await game.keyDowns(vk.shift);
    const pressed = Date.now();
    await touch.touchStart(at.Feuer.x, at.Feuer.y);
    const touched = Date.now();
    const counts = new Set();
    for (let i = 0; i < 16; ++i) {
      counts.add(await ammo(page));
      await sleep(100);
    }
    const lifting = Date.now();
    await touch.touchEnd();
    const repeated = await game.keyDowns(vk.shift) - fires;
    t.diagnostic(`Feuer held ${lifting - touched} to ${Date.now() - pressed} ms: ${repeated} key-downs, ${counts.size} ammunition counts`);
    assert.ok(byTheRule(repeated, lifting - touched, Date.now() - pressed), `${repeated} key-downs`);
    assert.ok(counts.size >= 5, `only ${counts.size} shots`);
    if (shots) await page.screenshot({path: path.join(shots, 'touch-landscape.png')});

    // A finger from Links onto Feuer: Left let go, Shift pressed and
    // repeating, Left not.
    const lefts = await game.keyDowns(vk.left);
    const shifts = await game.keyDowns(vk.shift);
    await touch.touchStart(at.Links.x, at.Links.y);
    await sleep(100);
    await touch.touchMove((at.Links.x + at.Feuer.x) / 2, at.Links.y);
    await sleep(100);
    assert.equal(await game.keyDowns(vk.shift) - shifts, 0, 'a key between the buttons');
    await touch.touchMove(at.Feuer.x, at.Feuer.y);
    await sleep(100);
    assert.equal(await game.keyDowns(vk.shift) - shifts, 1, 'sliding onto Feuer pressed no Shift');
    await sleep(700);
    await touch.touchEnd();
    assert.equal(await game.keyDowns(vk.left) - lefts, 1, 'Left repeats after the finger left it');
    assert.ok(await game.keyDowns(vk.shift) - shifts > 5, 'Shift does not repeat after the slide');
    // From Feuer onto Links: the ship turns at once (Shift is let go
    // before Left is pressed, so its other message does not stop the turn).
    await touch.touchStart(at.Feuer.x, at.Feuer.y);
    await sleep(100);
    const aiming = await ship(page);
    await touch.touchMove(at.Links.x, at.Links.y);
    await sleep(300);
    assert.notEqual(await ship(page), aiming, 'the ship did not turn after the slide');
    await touch.touchEnd();
    assert.deepEqual(game.complaints, []);
    await page.close();
  });

  await t.test('a phone held upright has its pad under the picture', async () => {
    const game = await open(browser, url, {width: 390, height: 844, ...phone});
    const seen = await layout(game.page);
    checkPad(seen, 'portrait');
    for (const b of seen.buttons) assert.ok(b.top >= seen.screen.bottom, `${b.label} is not under the picture`);
    const start = centre(seen.buttons.find((b) => b.label === 'Start'));
    await game.page.touchscreen.tap(start.x, start.y);
    await sleep(400);
    if (shots) await game.page.screenshot({path: path.join(shots, 'touch-portrait.png')});
    assert.deepEqual(game.complaints, []);
    await game.page.close();
  });

  await t.test('a desktop has no pad; held keys repeat by the game\'s clock; a gamepad plays', async () => {
    const game = await open(browser, url, {width: 1280, height: 800});
    const {page} = game;
    const seen = await layout(page);
    for (const b of seen.buttons) assert.equal(b.visible, false, `${b.label} shown on a desktop`);
    assert.ok(seen.screen.right - seen.screen.left >= 1000, 'the picture leaves room for a pad');

    // The browser repeats at 10 a second; the game drops those and makes
    // its own: the press, then after 500 ms 30 a second.
    const repeatFor = async (code, ms) => {
      const end = Date.now() + ms;
      while (Date.now() < end) {
        await sleep(Math.min(100, end - Date.now()));
        if (Date.now() < end) await page.keyboard.down(code); // repeat: true
      }
    };
    const shifts = await game.keyDowns(vk.shift);
    const pressed = Date.now();
    await page.keyboard.down('ShiftLeft');
    const down = Date.now();
    await repeatFor('ShiftLeft', 2000);
    const releasing = Date.now();
    await page.keyboard.up('ShiftLeft');
    const held = await game.keyDowns(vk.shift) - shifts;
    t.diagnostic(`Shift held 2 s: ${held} key-downs`);
    assert.ok(byTheRule(held, releasing - down, Date.now() - pressed), `${held} key-downs of Shift in 2 s`);

    // Left, then Shift as well: Shift is the key that repeats now, and
    // Left, still held, does not again when Shift is let go.
    const lefts = await game.keyDowns(vk.left);
    await page.keyboard.down('ArrowLeft');
    await repeatFor('ArrowLeft', 800);
    const shiftsBefore = await game.keyDowns(vk.shift);
    await page.keyboard.down('ShiftLeft');
    await sleep(100);
    const leftsHeld = await game.keyDowns(vk.left) - lefts;
    await repeatFor('ShiftLeft', 1400);
    const leftsWithShift = await game.keyDowns(vk.left) - lefts - leftsHeld;
    const shiftsHeld = await game.keyDowns(vk.shift) - shiftsBefore;
    await page.keyboard.up('ShiftLeft');
    await sleep(600);
    const leftsAfterShift = await game.keyDowns(vk.left) - lefts - leftsHeld;
    await page.keyboard.up('ArrowLeft');
    t.diagnostic(`Left 0.8 s: ${leftsHeld}, then Shift 1.5 s: ${shiftsHeld} Shift, ${leftsWithShift} Left`);
    assert.ok(byTheRule(leftsHeld, 800, 900), `${leftsHeld} Left in 0.8 s`);
    assert.ok(byTheRule(shiftsHeld, 1500, 1600), `${shiftsHeld} Shift in 1.5 s`);
    assert.equal(leftsWithShift, 0, 'Left repeats while Shift is held');
    assert.equal(leftsAfterShift, 0, 'Left repeats again after Shift');

    // Alt+Enter, held: full screen once, Esc locked where it can be.
    await page.evaluate(() => {
      window.fullScreenChanges = 0;
      document.addEventListener('fullscreenchange', () => ++window.fullScreenChanges);
      if (navigator.keyboard) navigator.keyboard.lock = (keys) => { window.locked = keys; return Promise.resolve(); };
    });
    await page.keyboard.down('Alt');
    await page.keyboard.down('Enter');
    for (let i = 0; i < 3; ++i) { await sleep(50); await page.keyboard.down('Enter'); }
    await page.keyboard.up('Enter');
    await page.keyboard.up('Alt');
    await sleep(300);
    assert.equal(await page.evaluate(() => window.fullScreenChanges), 1, 'Alt+Enter held switched more than once');
    assert.ok(await page.evaluate(() => document.fullscreenElement === document.documentElement), 'not full screen');
    assert.deepEqual(await page.evaluate(() => window.locked), ['Escape']);
    await page.keyboard.down('Alt');
    await page.keyboard.press('Enter');
    await page.keyboard.up('Alt');
    await page.waitForFunction(() => !document.fullscreenElement, {timeout: 5000});

    // A standard gamepad, plugged in now.
    await page.evaluate(() => {
      const button = () => ({pressed: false, touched: false, value: 0});
      window.fakePad = {index: 0, id: 'fake', connected: true, mapping: 'standard', timestamp: 0,
                        buttons: Array.from({length: 17}, button), axes: [0, 0, 0, 0]};
      window.padPlugged = true;
      navigator.getGamepads = () => [window.padPlugged ? window.fakePad : null, null, null, null];
      window.plug = (name) => {
        const event = new Event(name);
        Object.defineProperty(event, 'gamepad', {value: window.fakePad});
        window.padPlugged = name === 'gamepadconnected';
        window.dispatchEvent(event);
      };
      window.plug('gamepadconnected');
      window.padButton = (i, down) => {
        window.fakePad.buttons[i] = {pressed: down, touched: down, value: down ? 1 : 0};
      };
    });
    const title = await game.picture();
    const spaces = await game.keyDowns(vk.space);
    await page.evaluate(() => window.padButton(9, true));
    await sleep(150);
    await page.evaluate(() => window.padButton(9, false));
    await sleep(300);
    assert.equal(await game.keyDowns(vk.space) - spaces, 1, 'Start is not one Space');
    assert.notEqual(await game.picture(), title, 'Start did not start a game');

    // The stick: a little is nothing, far enough is Left, repeating.
    const turned = await ship(page);
    const padLefts = await game.keyDowns(vk.left);
    await page.evaluate(() => { window.fakePad.axes[0] = -0.4; });
    await sleep(200);
    assert.equal(await game.keyDowns(vk.left), padLefts, 'the dead zone pressed Left');
    await page.evaluate(() => { window.fakePad.axes[0] = -1; });
    await sleep(800);
    assert.notEqual(await ship(page), turned, 'the stick did not turn the ship');
    const stickLefts = await game.keyDowns(vk.left) - padLefts;
    assert.ok(stickLefts >= 6 && stickLefts <= 12, `${stickLefts} Left from the stick in 0.8 s`);
    // Unplugged while held: the repeat ends.
    await page.evaluate(() => window.plug('gamepaddisconnected'));
    await sleep(100);
    const unplugged = await game.keyDowns(vk.left);
    await sleep(300);
    assert.equal(await game.keyDowns(vk.left), unplugged, 'an unplugged pad repeats');

    // Plugged in again, Back and Start together are Esc: the game ends.
    await page.evaluate(() => {
      window.fakePad.axes[0] = 0;
      window.plug('gamepadconnected');
      window.padButton(8, true);
      window.padButton(9, true);
    });
    await page.waitForFunction(() => !document.getElementById('note').hidden, {timeout: 5000});
    const stopped = await page.evaluate(() => window.ruzoz.frames());
    await sleep(300);
    assert.equal(await page.evaluate(() => window.ruzoz.frames()), stopped, 'frames run after Back+Start');
    assert.deepEqual(game.complaints, []);
  });
});
