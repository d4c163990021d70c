// The page's events as the game's messages, the refresh-driven frame clock
// and the calls the page makes into the game.

#include "platform/Events.h"
#include "platform/Window.h"
#include "platform/web/Internal.h"
#include "platform/web/Page.h"
#include "platform/web/PageKeys.h"
#include "platform/web/RefreshSlots.h"

#include <emscripten.h>

#include <iterator>

namespace ruzoz::web {

bool headless = false;
long long framesShown = 0;

namespace {

std::FILE *recordingFile = nullptr;
char **recordingText = nullptr;
std::size_t *recordingSize = nullptr;

bool (*refreshStep)() = nullptr;

// Frames can start only at the display's refreshes, whose times jitter and
// whose rate need not be 60 Hz: the clock counts 1/60 s slots, and one
// frame at most runs in each (web/RefreshSlots.h).
RefreshSlots refreshSlots;
std::int64_t refreshTicks = 0;

// The keys repeat by the refresh clock: the page takes messages only at
// refreshes, and on it the repeats keep an even beat (every second frame),
// where the time the callback happens to run would jitter them by a frame.
std::uint64_t refreshMilliseconds() {
  return static_cast<std::uint64_t>(refreshTicks * 1000 / RefreshSlots::frequency);
}

PageKeys keys;
// The key-downs the game has been given, by virtual-key code; for tests.
int keyDownsTaken[256] = {};

} // namespace

} // namespace ruzoz::web

// clang-format off
// The page's queue: key presses with their physical key and the code the
// SDL build gives the key (letters by the layout, digits by the key),
// releases, characters typed, focus lost, and other events (the mouse,
// touches outside the pad, resizing), packed as web/PageKeys.h reads them.
// The browser's own repeats are dropped, with the characters they typed.
// Alt+key is a system key, an other message (Alt+Enter switches full
// screen once per press). The touch pad's buttons and the gamepads are
// keys of the same rule.
EM_JS(void, ruzoz_page_listen, (), {
  const queue = Module.ruzozMessages = [];
  const press = 0, systemPress = 1, release = 2, typed = 3, other = 4, focusLost = 5;
  // A page left alone (the game ended) must not grow without end.
  const push = (kind, key, vk) => { if (queue.length < 4096) queue.push(kind << 28 | key << 8 | vk); };
  const numbers = new Map();
  const keyNumber = (name) => {
    let number = numbers.get(name);
    if (number === undefined) {
      number = Math.min(numbers.size + 1, 0xFFFF);
      numbers.set(name, number);
    }
    return number;
  };
  const named = {ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Shift: 16,
                 Enter: 13, Escape: 27, ' ': 32};
  const code = (event) => {
    if (event.key in named) return named[event.key];
    if (/^[a-zA-Z]$/.test(event.key)) return event.key.toUpperCase().charCodeAt(0);
    const digit = /^Digit([0-9])$/.exec(event.code);
    return digit ? 48 + Number(digit[1]) : 255;
  };
  const physical = (event) => keyNumber(event.code || 'key ' + event.key);
  // The game's keys lose the browser's meaning (scrolling, a focused
  // button's click); those that type keep their key-down, so that the
  // browser still says they typed.
  const ours = (event) => code(event) !== 255 && !event.ctrlKey && !event.metaKey && !event.altKey;
  const types = (event) => event.key.length === 1 || event.key === 'Enter';
  const startAudio = () => { if (Module.ruzozStartAudio) Module.ruzozStartAudio(); };
  let repeatDropped = false;
  window.addEventListener('keydown', (event) => {
    startAudio();
    if (ours(event) && !types(event)) event.preventDefault();
    repeatDropped = event.repeat;
    if (event.repeat) return;
    if (event.altKey) {
      if (event.key === 'Enter') _ruzoz_page_toggle_full_screen();
      push(systemPress, physical(event), 0);
    } else {
      push(press, physical(event), code(event));
    }
  });
  window.addEventListener('keypress', (event) => {
    if (ours(event)) event.preventDefault();
    if (!event.repeat && !repeatDropped) push(typed, 0, 0);
  });
  window.addEventListener('keyup', (event) => {
    if (ours(event)) event.preventDefault();
    push(release, physical(event), 0);
  });
  window.addEventListener('blur', () => push(focusLost, 0, 0));
  window.addEventListener('visibilitychange', () => push(document.hidden ? focusLost : other, 0, 0));
  for (const name of ['mousemove', 'mousedown', 'mouseup', 'wheel', 'focus', 'resize', 'touchstart',
                      'touchend'])
    window.addEventListener(name, () => {
      if (name === 'mousedown' || name === 'touchstart') startAudio();
      push(other, 0, 0);
    });

  // The touch pad: a finger on a button is its key held; sliding onto
  // another button lets go of the first and presses the next, as a player
  // means it (the key let go first, so its other message cannot stop the
  // new arrow). Two fingers on one button are one key held.
  const pad = document.getElementById('pad');
  if (pad) {
    const fingersOn = new Map();
    const fingers = new Map();
    const buttonAt = (event) => {
      const at = document.elementFromPoint(event.clientX, event.clientY);
      const button = at && at.closest('button[data-vk]');
      return button && pad.contains(button) ? button : null;
    };
    const hold = (button, down) => {
      const count = (fingersOn.get(button) || 0) + (down ? 1 : -1);
      fingersOn.set(button, count);
      const key = keyNumber('pad ' + button.getAttribute('aria-label'));
      const vk = Number(button.dataset.vk);
      if (down && count === 1) {
        push(press, key, vk);
        if (vk === 32 || vk === 13) push(typed, 0, 0);
        button.classList.add('held');
      } else if (!down && count === 0) {
        push(release, key, 0);
        button.classList.remove('held');
      }
    };
    const follow = (id, button) => {
      const was = fingers.get(id);
      if (was === button) return;
      fingers.set(id, button);
      if (was) hold(was, false);
      if (button) hold(button, true);
    };
    pad.addEventListener('pointerdown', (event) => {
      startAudio();
      // Touches are captured by the element first touched; the finger's
      // moves must name what is under it.
      if (event.target.hasPointerCapture && event.target.hasPointerCapture(event.pointerId))
        event.target.releasePointerCapture(event.pointerId);
      follow(event.pointerId, buttonAt(event));
      event.preventDefault();
    });
    window.addEventListener('pointermove', (event) => {
      if (fingers.has(event.pointerId)) follow(event.pointerId, buttonAt(event));
    });
    const lift = (event) => {
      if (!fingers.has(event.pointerId)) return;
      startAudio();
      follow(event.pointerId, null);
      fingers.delete(event.pointerId);
    };
    window.addEventListener('pointerup', lift);
    window.addEventListener('pointercancel', lift);
    // The pad's touches are its keys, nothing else: no other messages, no
    // mouse events made up from them, no clicks, menus or zoom.
    for (const name of ['touchstart', 'touchmove', 'touchend', 'touchcancel', 'mousedown',
                        'mouseup', 'click', 'dblclick', 'contextmenu'])
      pad.addEventListener(name, (event) => {
        event.stopPropagation();
        if (event.cancelable) event.preventDefault();
      }, {passive: false});
  }

  // Game controllers of the standard mapping, read at every refresh while
  // one is connected.
  const pads = new Set();
  window.addEventListener('gamepadconnected', (event) => pads.add(event.gamepad.index));
  window.addEventListener('gamepaddisconnected', (event) => {
    pads.delete(event.gamepad.index);
    _ruzoz_page_pad_gone(event.gamepad.index);
  });
  const axis = (value) => Math.max(-32768, Math.min(32767, Math.round((value || 0) * 32767)));
  Module.ruzozPollPads = () => {
    if (pads.size === 0 || !navigator.getGamepads) return;
    const all = navigator.getGamepads();
    for (const index of pads) {
      const pad = all[index];
      if (!pad || !pad.connected) {
        _ruzoz_page_pad_gone(index);
        continue;
      }
      if (pad.mapping !== 'standard') continue;
      const buttons = pad.buttons;
      const on = (i) => (buttons[i] && buttons[i].pressed ? 1 : 0);
      // Bits as ruzoz_page_pad reads them: D-pad left, right, up, down, A, Start, Back.
      const held = on(14) | on(15) << 1 | on(12) << 2 | on(13) << 3 | on(0) << 4 | on(9) << 5 |
                   on(8) << 6;
      _ruzoz_page_pad(index, held, axis(pad.axes[0]), axis(pad.axes[1]),
                      buttons[7] ? axis(buttons[7].value) : 0);
    }
  };
});

EM_JS(int, ruzoz_page_take_message, (), {
  const queue = Module.ruzozMessages;
  return queue && queue.length ? queue.shift() : -1;
});

EM_JS(void, ruzoz_page_poll_pads, (), {
  if (Module.ruzozPollPads) Module.ruzozPollPads();
});

EM_JS(void, ruzoz_page_request_refreshes, (), {
  const refresh = (time) => {
    if (_ruzoz_page_refresh(time)) requestAnimationFrame(refresh);
  };
  requestAnimationFrame(refresh);
});
// clang-format on

extern "C" {

EMSCRIPTEN_KEEPALIVE int ruzoz_page_refresh(double milliseconds) {
  using namespace ruzoz::web;
  refreshTicks = refreshSlots.Ticks(static_cast<std::int64_t>(milliseconds * 1000.0));
  ruzoz_page_poll_pads();
  return refreshStep != nullptr && refreshStep() ? 1 : 0;
}

// One pad's state at this refresh: `held` has the bits D-pad left, right,
// up, down, A, Start, Back; the stick and trigger as PadKeys takes them.
EMSCRIPTEN_KEEPALIVE void ruzoz_page_pad(int pad, int held, int leftX, int leftY, int trigger) {
  using namespace ruzoz;
  static constexpr PadKeys::Control bits[] = {
      PadKeys::dpadLeft, PadKeys::dpadRight, PadKeys::dpadUp, PadKeys::dpadDown,
      PadKeys::buttonA,  PadKeys::start,     PadKeys::back};
  const std::uint64_t now = web::refreshMilliseconds();
  PadKeys &pads = web::keys.Pads();
  for (int bit = 0; bit < int(std::size(bits)); ++bit)
    pads.Set(pad, bits[bit], (held >> bit & 1) != 0, now);
  pads.Move(pad, PadKeys::Axis::leftX, leftX, now);
  pads.Move(pad, PadKeys::Axis::leftY, leftY, now);
  pads.Move(pad, PadKeys::Axis::rightTrigger, trigger, now);
}

EMSCRIPTEN_KEEPALIVE void ruzoz_page_pad_gone(int pad) { ruzoz::web::keys.Pads().Release(pad); }

EMSCRIPTEN_KEEPALIVE void ruzoz_page_toggle_full_screen() { ruzoz::platform::ToggleFullScreen(); }

EMSCRIPTEN_KEEPALIVE int ruzoz_page_frames() { return int(ruzoz::web::framesShown); }

EMSCRIPTEN_KEEPALIVE int ruzoz_page_key_downs(int virtualKey) {
  return ruzoz::web::keyDownsTaken[virtualKey & 0xFF];
}

EMSCRIPTEN_KEEPALIVE const std::uint16_t *ruzoz_page_back_buffer() {
  return ruzoz::web::BackBuffer();
}
}

namespace ruzoz::web {

void RunEachRefresh(bool (*step)()) {
  refreshStep = step;
  ruzoz_page_listen();
  ruzoz_page_request_refreshes();
}

} // namespace ruzoz::web

namespace ruzoz::platform {

namespace {

class PageEvents final : public Input {
public:
  bool TakeMessage(Message &message) override {
    if (web::headless ||
        !web::keys.Take(web::refreshMilliseconds(), ruzoz_page_take_message, message))
      return false;
    if (message.kind == MessageKind::keyDown)
      ++web::keyDownsTaken[message.virtualKey & 0xFF];
    return true;
  }
  // The page never waits: it is called back at each refresh.
  void WaitForMessage(int) override {}
};

// Each read gives the slot of the refresh being handled.
class RefreshClock final : public Clock {
public:
  std::uint64_t CounterFrequency() override { return web::RefreshSlots::frequency; }
  std::int64_t ReadCounter() override { return web::refreshTicks; }
  std::int64_t ReadMilliseconds() override {
    return ReadCounter() * 1000 / web::RefreshSlots::frequency;
  }
  void Doze() override {}
};

} // namespace

Input &EventInput() {
  static PageEvents events;
  return events;
}

Clock &SystemClock() {
  static RefreshClock clock;
  return clock;
}

void UseHeadlessDrivers() { web::headless = true; }

} // namespace ruzoz::platform

void ruzoz::web::KeepRecording(std::FILE *file, char **text, std::size_t *size) {
  recordingFile = file;
  recordingText = text;
  recordingSize = size;
}

// The recording so far, for the page's "save recording".
extern "C" EMSCRIPTEN_KEEPALIVE const char *ruzoz_page_recording() {
  using namespace ruzoz::web;
  if (recordingFile != nullptr)
    std::fflush(recordingFile);
  return recordingText != nullptr && *recordingText != nullptr ? *recordingText : "";
}

extern "C" EMSCRIPTEN_KEEPALIVE int ruzoz_page_recording_size() {
  using namespace ruzoz::web;
  if (recordingFile != nullptr)
    std::fflush(recordingFile);
  return recordingSize != nullptr ? static_cast<int>(*recordingSize) : 0;
}
