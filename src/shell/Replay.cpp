#include "shell/Replay.h"

#include "audio/Sound.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"
#include "shell/WindowProc.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <optional>
#include <sstream>

namespace ruzoz::replay {

namespace {

// Built when recording begins, around the ports in use then.
std::optional<RecordingVideo> videoRecorder;
std::optional<RecordingSound> soundRecorder;
Video *wrappedVideo = nullptr;
Sound *wrappedSound = nullptr;

void putLE32(unsigned char *out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint64_t hashDraws(const RecordingVideo &recorded) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (int i = 0; i < recorded.DrawCount(); ++i) {
    const DrawCall &draw = recorded.Draws()[i];
    unsigned char bytes[16];
    putLE32(bytes, draw.image);
    putLE32(bytes + 4, draw.x);
    putLE32(bytes + 8, draw.y);
    putLE32(bytes + 12, draw.glyph);
    hash = fnv1a(bytes, sizeof bytes, hash);
  }
  return hash;
}

std::uint64_t hashObjects(const Level &level, std::uint64_t hash) {
  for (const WorldObject &o : level.objects) {
    const double fields[5] = {o.kind, o.x, o.y, o.vx, o.vy};
    for (double field : fields) {
      std::uint64_t bits;
      std::memcpy(&bits, &field, 8);
      unsigned char bytes[8];
      for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
      hash = fnv1a(bytes, 8, hash);
    }
  }
  return hash;
}

std::uint64_t hashTiles(const Level &level, std::uint64_t hash) {
  for (const auto &row : level.tiles) {
    for (TileCode code : row) {
      const auto v = static_cast<std::uint16_t>(code);
      const unsigned char bytes[2] = {static_cast<unsigned char>(v),
                                      static_cast<unsigned char>(v >> 8)};
      hash = fnv1a(bytes, 2, hash);
    }
  }
  return hash;
}

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

std::uint64_t fnv1a(const void *data, std::size_t size, std::uint64_t hash) {
  const auto *bytes = static_cast<const unsigned char *>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

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

void beginRecording() {
  wrappedVideo = video;
  wrappedSound = sound;
  videoRecorder.emplace(wrappedVideo);
  soundRecorder.emplace(wrappedSound);
  video = &*videoRecorder;
  sound = &*soundRecorder;
}

void endRecording() {
  // Shutting down may have let go of the video already.
  if (video == &*videoRecorder)
    video = wrappedVideo;
  if (sound == &*soundRecorder)
    sound = wrappedSound;
}

const RecordingVideo &recordedVideo() { return *videoRecorder; }
const RecordingSound &recordedSound() { return *soundRecorder; }

void writeTraceLine(std::FILE *out, long long frame, bool titleFrame) {
  const GameState &g = game;
  const bool levelValid = g.currentLevel >= 0 && g.currentLevel < levelCount;
  const std::uint64_t basis = 0xcbf29ce484222325ull;
  const std::uint64_t objectsHash = levelValid ? hashObjects(levels[g.currentLevel], basis) : basis;
  const std::uint64_t tilesHash = levelValid ? hashTiles(levels[g.currentLevel], basis) : basis;

  const RecordingSound &heard = *soundRecorder;
  char sounds[RecordingSound::capacity * 2 + 16];
  if (heard.EffectCount() == 0) {
    std::strcpy(sounds, "-");
  } else {
    char *p = sounds;
    for (int i = 0; i < heard.EffectCount(); ++i)
      p += std::sprintf(p, i == 0 ? "%d" : ",%d", heard.Effects()[i]);
  }
  char world[17] = "-";
  if (titleFrame) {
    std::uint64_t hash = basis;
    for (const Level &level : levels)
      hash = hashObjects(level, hashTiles(level, hash));
    std::snprintf(world, sizeof world, "%016" PRIx64, hash);
  }

  std::fprintf(out,
               "%lld %d %d %d %d %.17g %.17g %.17g %.17g %d %d %d %d %d %d %d %" PRIu32 " %" PRIu32
               " %d %" PRIu32 " %d %d %" PRIu32 " %" PRIu32 " %d %d%d%d%d %016" PRIx64
               " %016" PRIx64 " %s %d %016" PRIx64 " %s\n",
               frame, g.playing, g.storyScreen, g.titleTextsHidden, g.currentLevel, g.shipX,
               g.shipY, g.velocityX, g.velocityY, g.heading, g.turnDivider, g.thrust, g.cameraX,
               g.cameraY, g.cameraTileColumn, g.cameraTileRow, g.score, g.highScore, g.shield,
               g.ammo, g.shotTimer, g.ufoCount, g.bannerTimer, randomState, keys.fireRequest,
               keys.keyLeft, keys.keyRight, keys.keyUp, keys.keyDown, objectsHash, tilesHash,
               sounds, heard.MusicRestarts(), hashDraws(*videoRecorder), world);
}

void runTracedFrame(long long frame, std::FILE *trace, void (*afterFrame)(long long, void *),
                    void *context) {
  const bool titleFrame = game.playing == 0 || game.gameInProgress == 0;
  runFrame();
  if (trace)
    writeTraceLine(trace, frame, titleFrame);
  if (afterFrame)
    afterFrame(frame, context);
  if (videoRecorder) {
    videoRecorder->Clear();
    soundRecorder->Clear();
  }
}

long long runReplay(long long frames, const std::vector<ScriptEvent> &events, std::FILE *trace,
                    void (*afterFrame)(long long, void *), void *context) {
  std::size_t next = 0;
  long long frame = 0;
  for (; frame < frames; ++frame) {
    while (next < events.size() && events[next].frame <= frame) {
      WindowProc(events[next].message);
      ++next;
      if (quitPosted)
        return frame;
    }
    runTracedFrame(frame, trace, afterFrame, context);
  }
  return frame;
}

} // namespace ruzoz::replay
