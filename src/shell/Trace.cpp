#include "shell/Trace.h"

#include "audio/Sound.h"
#include "game/World.h"
#include "graphics/Display.h"
#include "screens/Screens.h"

#include <cinttypes>
#include <cstring>
#include <optional>

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

} // namespace

std::uint64_t fnv1a(const void *data, std::size_t size, std::uint64_t hash) {
  const auto *bytes = static_cast<const unsigned char *>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

void beginRecording(bool drawBlits) {
  wrappedVideo = video;
  wrappedSound = sound;
  videoRecorder.emplace(wrappedVideo, drawBlits);
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

void runTracedFrame(long long frame, std::FILE *trace, AfterFrame afterFrame, void *context) {
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

} // namespace ruzoz::replay
