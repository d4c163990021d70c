// Key scripts of the replay tool from any bytes. What parses must come back
// in frame order and survive being written out and read again unchanged;
// what does not must name its line.

#include "FuzzSupport.h"

#include "shell/KeyScript.h"

#include <sstream>
#include <string>
#include <vector>

using namespace ruzoz;
using fuzz::Check;

namespace {

bool SameEvents(const std::vector<replay::ScriptEvent> &a,
                const std::vector<replay::ScriptEvent> &b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].frame != b[i].frame || a[i].message.kind != b[i].message.kind ||
        a[i].message.virtualKey != b[i].message.virtualKey)
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char *>(data), size));
  std::vector<replay::ScriptEvent> events;
  std::string error;
  if (!replay::parseScript(in, events, error)) {
    Check(error.rfind("line ", 0) == 0 || error == "read error", "a refusal names its line");
    return 0;
  }
  std::ostringstream written;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const replay::ScriptEvent &e = events[i];
    Check(e.frame >= 0, "frames are not negative");
    Check(i == 0 || events[i - 1].frame <= e.frame, "events in frame order");
    if (e.message.kind == MessageKind::keyDown) {
      Check(e.message.virtualKey >= 0 && e.message.virtualKey <= 0xFFFF, "key code in range");
      written << e.frame << " down " << e.message.virtualKey << "\n";
    } else {
      Check(e.message.kind == MessageKind::other, "only key-downs and other messages");
      written << e.frame << " other\n";
    }
  }
  std::istringstream again(written.str());
  std::vector<replay::ScriptEvent> reread;
  Check(replay::parseScript(again, reread, error), "a written script reads back");
  Check(SameEvents(events, reread), "and gives the same events");
  return 0;
}
