// The golden won game's last level in the page, in headless Chromium: the
// page runs the game's frames before level index 15 at once, unseen, then
// plays 1500 frames of that level with its crowd of aliens and shots at the
// display's pace. It must keep 60 frames a second there, and its last frame
// must be the native replay's, pixel for pixel.
//   node --test tests/web/lastlevel.test.mjs   (after tools/web.sh; needs the
//   native ruzoz-replay and data folder: RUZOZ_BUILD_DIR, default build)

import {readFileSync} from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import assert from 'node:assert/strict';
import {root, openPage, frames, backBuffer, differing, frameRate, goldenScript,
        nativeBackBuffer} from './page.mjs';

const shownFrames = 1500;

// The first play frame of level index 15: the checkpoints list every line
// from there on, and only every 1000th before.
function lastLevelStart() {
  const frames = readFileSync(path.join(root, 'tests/golden/won_game.checkpoints'), 'latin1').split('\n')
    .filter((l) => /^\d+ /.test(l)).map((l) => Number(l.split(' ')[0]));
  return frames.find((f, i) => frames[i + 1] === f + 1);
}

test('the last level keeps 60 frames a second in the page', {timeout: 600000}, async (t) => {
  const from = lastLevelStart();
  assert.ok(from > 100000, `level 15 starts at ${from}`);
  // The won game's script up to 1500 frames into level 15; the page's
  // --play ends 120 frames after its last event, as the native one does.
  const {script, end} = goldenScript('won_game.keys', from + shownFrames - 120);
  const {url, page, complaints} = await openPage(t);
  // The game's arguments and the script's file, handed to the page's module.
  await page.evaluateOnNewDocument((script, from) => {
    let made;
    Object.defineProperty(window, 'createRuzoz', {
      configurable: true,
      set(f) { made = f; },
      get() {
        return (module) => made(Object.assign(module, {
          arguments: ['--play', '/last.keys', '--from', String(from)],
          preRun: [() => module.FS_createDataFile('/', 'last.keys', script, true, false, false)],
        }));
      },
    });
  }, script, from);

  await page.goto(url, {waitUntil: 'load'});
  const started = Date.now();
  await page.waitForFunction(() => window.ruzoz.frames() > 60, {timeout: 300000, polling: 500});
  t.diagnostic(`frames 0..${from - 1} ran ahead in ${((Date.now() - started) / 1000).toFixed(1)} s`);

  // Frames at 60 a second, measured over 15 s of level 15, and the share of
  // the page's main thread they keep busy.
  const {rate, busy} = await frameRate(page, 15000);
  t.diagnostic(`${rate.toFixed(2)} frames a second on level 15, page main thread busy ${busy.toFixed(1)} %`);
  assert.ok(Math.abs(rate - 60) <= 1, `frame rate ${rate}`);

  // The script's end: every frame ran, and the last is the native one.
  await page.waitForFunction(() => document.getElementById('note').querySelector('button'),
                             {timeout: 120000});
  assert.equal(await frames(page), end - from);
  assert.equal(differing(await backBuffer(page), nativeBackBuffer(script, end)), 0,
               'the last frame differs from the native replay');
  assert.deepEqual(complaints, []);
});
