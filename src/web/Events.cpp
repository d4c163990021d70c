// The page's events as the game's messages, the refresh-driven frame clock
// and the calls the page makes into the game.

#include "platform/Events.h"
#include "platform/Window.h"
#include "web/Internal.h"
#include "web/Page.h"
#include "web/RefreshSlots.h"

#include <emscripten.h>

namespace ruzoz::web {

bool headless = false;
long long framesShown = 0;

namespace {

bool (*refreshStep)() = nullptr;

// Frames can start only at the display's refreshes, whose times jitter and
// whose rate need not be 60 Hz: the clock counts 1/60 s slots, and one
// frame at most runs in each (web/RefreshSlots.h).
RefreshSlots refreshSlots;
std::int64_t refreshTicks = 0;

} // namespace

} // namespace ruzoz::web

// clang-format off
// Key-downs (auto-repeats too) carry the game's virtual-key code; key-ups,
// characters typed, the mouse, focus and every other event are other
// messages, and Alt+key is one too (Alt+Enter switches full screen). Codes
// as the SDL build names them: letters by the layout, digits by the key.
EM_JS(void, ruzoz_page_listen, (), {
  const queue = Module.ruzozMessages = [];
  const named = {ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Shift: 16,
                 Enter: 13, Escape: 27, ' ': 32};
  const other = () => queue.push(2 << 16);
  const code = (event) => {
    if (event.key in named) return named[event.key];
    if (/^[a-zA-Z]$/.test(event.key)) return event.key.toUpperCase().charCodeAt(0);
    const digit = /^Digit([0-9])$/.exec(event.code);
    return digit ? 48 + Number(digit[1]) : 255;
  };
  window.addEventListener('keydown', (event) => {
    if (Module.ruzozStartAudio) Module.ruzozStartAudio();
    if (event.altKey) {
      if (event.key === 'Enter' && !event.repeat) _ruzoz_page_toggle_full_screen();
      other();
    } else {
      const vk = code(event);
      queue.push(vk);
      if (vk !== 255 && !event.ctrlKey && !event.metaKey) event.preventDefault();
    }
  });
  for (const name of ['keyup', 'keypress', 'mousemove', 'mousedown', 'mouseup', 'wheel', 'blur',
                      'focus', 'resize', 'visibilitychange', 'touchstart', 'touchend'])
    window.addEventListener(name, (event) => {
      if (name === 'mousedown' || name === 'touchstart')
        if (Module.ruzozStartAudio) Module.ruzozStartAudio();
      other();
    });
});

EM_JS(int, ruzoz_page_take_message, (), {
  const queue = Module.ruzozMessages;
  return queue && queue.length ? queue.shift() : -1;
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
  return refreshStep != nullptr && refreshStep() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void ruzoz_page_toggle_full_screen() { ruzoz::platform::ToggleFullScreen(); }

EMSCRIPTEN_KEEPALIVE int ruzoz_page_frames() { return int(ruzoz::web::framesShown); }

EMSCRIPTEN_KEEPALIVE const std::uint16_t *ruzoz_page_back_buffer() {
  return ruzoz::web::BackBuffer();
}
}

namespace ruzoz::web {

void RunEachRefresh(bool (*step)()) {
  refreshStep = step;
  ruzoz_page_request_refreshes();
}

} // namespace ruzoz::web

namespace ruzoz::platform {

namespace {

class PageEvents final : public Input {
public:
  bool TakeMessage(Message &message) override {
    if (web::headless)
      return false;
    if (!listening) {
      ruzoz_page_listen();
      listening = true;
    }
    const int taken = ruzoz_page_take_message();
    if (taken < 0)
      return false;
    message = taken >> 16 == 2 ? Message{MessageKind::other, 0}
                               : Message{MessageKind::keyDown, taken & 0xFFFF};
    return true;
  }
  // The page never waits: it is called back at each refresh.
  void WaitForMessage(int) override {}

private:
  bool listening = false;
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
