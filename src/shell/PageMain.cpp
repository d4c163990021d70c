// The game in a browser page: start-up, then the main loop's passes at the
// display's refreshes, and the end.

#include "platform/Events.h"
#include "platform/Window.h"
#include "shell/MainLoop.h"
#include "shell/StartUp.h"
#include "web/Page.h"

#include <optional>

namespace {

using namespace ruzoz;

std::optional<FramePacer> pacer;

// Made at the first refresh, so that the clock starts from a real one.
bool step() {
  if (!pacer)
    pacer.emplace(platform::EventInput(), platform::SystemClock());
  if (pacer->Step() != FramePacer::Result::quit)
    return true;
  platform::EndVideo();
  return false;
}

} // namespace

int main() {
  if (!StartUp()) {
    ShutDown();
    platform::EndVideo();
    return 1;
  }
  web::RunEachRefresh(step);
  return 0;
}
