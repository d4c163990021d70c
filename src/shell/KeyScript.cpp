#include "shell/KeyScript.h"

#include <algorithm>
#include <sstream>

namespace ruzoz::replay {

namespace {

bool parseNumber(const std::string &token, long long &value) {
  if (token.empty() || token.size() > 12)
    return false;
  value = 0;
  for (char c : token) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

} // namespace

bool parseScript(std::istream &in, std::vector<ScriptEvent> &events, std::string &error) {
  events.clear();
  std::string line;
  int lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    // The same blanks the tokenizer skips: a line of them has no first token.
    const auto first = line.find_first_not_of(" \t\n\v\f\r");
    if (first == std::string::npos || line[first] == '#')
      continue;
    std::istringstream fields(line);
    std::vector<std::string> tokens;
    for (std::string token; fields >> token;)
      tokens.push_back(token);
    ScriptEvent event;
    const auto fail = [&](const char *why) {
      error = "line " + std::to_string(lineNumber) + ": " + why + ": \"" + line + "\"";
      return false;
    };
    if (!parseNumber(tokens[0], event.frame))
      return fail("frame is not a non-negative decimal number");
    if (tokens.size() == 2 && tokens[1] == "other") {
      event.message = Message{MessageKind::other, 0};
    } else if (tokens.size() == 3 && tokens[1] == "down") {
      long long vk = 0;
      if (!parseNumber(tokens[2], vk) || vk > 0xFFFF)
        return fail("key code is not a decimal number 0..65535");
      event.message = Message{MessageKind::keyDown, static_cast<int>(vk)};
    } else {
      return fail("expected \"F down VK\" or \"F other\"");
    }
    events.push_back(event);
  }
  if (in.bad()) {
    error = "read error";
    return false;
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const ScriptEvent &a, const ScriptEvent &b) { return a.frame < b.frame; });
  return true;
}

void writeScriptLine(std::FILE *out, long long frame, const Message &message) {
  switch (message.kind) {
  case MessageKind::keyDown:
    std::fprintf(out, "%lld down %d\n", frame, message.virtualKey);
    return;
  case MessageKind::destroy:
    std::fprintf(out, "# %lld window closed\n", frame);
    return;
  case MessageKind::other:
    std::fprintf(out, "%lld other\n", frame);
    return;
  }
}

} // namespace ruzoz::replay
