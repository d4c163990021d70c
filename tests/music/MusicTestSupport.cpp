#include "MusicTestSupport.h"

#include "audio/MusicParse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace ruzoz::music::test {

void PrintTo(const SynthCall &call, std::ostream *out) {
  static const char *const kinds[] = {"On", "Off", "Program", "Control", "AllOff"};
  *out << kinds[call.kind] << "@" << call.frame << "(ch " << call.channel << ", " << call.key
       << ", " << call.value << ")";
}

std::string ContentPath(const std::string &file) {
  return std::string(RUZOZ_MUSIC_CONTENT) + "/" + file;
}

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {

template <class T, class Parse> T Shipped(const std::string &file, Parse parse) {
  T out;
  MusicParseError error;
  if (!parse(ReadText(ContentPath(file)), file, out, error))
    ADD_FAILURE() << error.Text();
  return out;
}

} // namespace

MusicStyle ShippedStyle() { return Shipped<MusicStyle>("Style1.sty", ParseStyle); }
MusicChordMap ShippedChordMap() { return Shipped<MusicChordMap>("Chordmap1.cdm", ParseChordMap); }
MusicTemplate ShippedTemplate() { return Shipped<MusicTemplate>("Template1.tpl", ParseTemplate); }

TempDir::TempDir() {
  std::random_device seed;
  path_ = std::filesystem::temp_directory_path() /
          ("ruzoz-music-" + std::to_string(seed()) + std::to_string(seed()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

MusicSegment BeatSegment(int beats, double tempo, int key) {
  MusicSegment segment;
  segment.measures = (beats + 3) / 4;
  segment.lengthTicks = static_cast<std::uint32_t>(beats * ticksPerBeat);
  segment.tempo = tempo;
  segment.events.push_back({0, EventType::Program, 9, 0, 0});
  for (int beat = 0; beat < beats; ++beat) {
    const auto tick = static_cast<std::uint32_t>(beat * ticksPerBeat);
    segment.events.push_back({tick, EventType::NoteOn, 9, static_cast<std::uint8_t>(key), 100});
    segment.events.push_back(
        {tick + ticksPerBeat / 4, EventType::NoteOff, 9, static_cast<std::uint8_t>(key), 0});
  }
  std::stable_sort(segment.events.begin(), segment.events.end(),
                   [](const MusicEvent &a, const MusicEvent &b) {
                     return a.tick != b.tick ? a.tick < b.tick : a.type < b.type;
                   });
  return segment;
}

void RenderFrames(MusicPerformance &performance, std::uint64_t frames, int chunk,
                  std::vector<float> *out) {
  std::vector<float> buffer(2 * static_cast<std::size_t>(chunk));
  for (std::uint64_t done = 0; done < frames;) {
    const int n =
        static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(chunk), frames - done));
    performance.Render(buffer.data(), n);
    if (out != nullptr)
      out->insert(out->end(), buffer.begin(), buffer.begin() + 2 * n);
    done += static_cast<std::uint64_t>(n);
  }
}

std::uint64_t BeatFrame160(std::uint64_t beat) { return beat * 33075 / 2; }

std::uint64_t RoundUpToBlock(std::uint64_t frame, std::uint64_t block) {
  return (frame + block - 1) / block * block;
}

} // namespace ruzoz::music::test
