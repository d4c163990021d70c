// The game's wave reader over well-formed, unusual and damaged files.

#include "audio/Wave.h"
#include "audio/MMIO.h"
#include "support/Support.h"
#include "support/WaveBytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace testsupport;

struct Case {
  const char *what;
  Bytes file;
  std::uint32_t rate = 0; // of a 16-bit format; 0: no format
  Bytes data = {};
};

TEST(WaveReader, AnswersWhatTheChunksSayAndNothingFromOutsideTheImage) {
  const Bytes samples = Samples16({1, -2, 300, -400, 32767, -32768});
  const Bytes good = PcmWave(2, 22050, {1, -2, 300, -400, 32767, -32768});
  const Bytes fmt = Fmt(1, 1, 44100, 16), data = Chunk("data", {1, 2});
  const Bytes list = Chunk("LIST", Cat({{'I', 'N', 'F', 'O'}, Chunk("INAM", {'z', 0})}));
  const Bytes claims200 = {'R', 'I', 'F', 'F', 200, 0, 0, 0, 'W', 'A', 'V', 'E'};
  const Case cases[] = {
      {"plain", good, 22050, samples},
      // The odd chunks' pad bytes: a walk that ignores them loses the rest.
      {"any order, odd and LIST chunks first",
       Riff({Chunk("junk", {1, 2, 3}), Chunk("data", {7, 8, 9}), list, Fmt(1, 1, 11025, 16)}),
       11025,
       {7, 8, 9}},
      {"short fmt chunk ending the image", Riff({data, Fmt(1, 1, 8000, 16)}), 8000, {1, 2}},
      {"a rate of three bytes", Riff({Fmt(1, 1, 88200, 16), data}), 88200, {1, 2}},
      {"last chunk claims past the form", Riff({fmt, Chunk("data", {1, 2, 3, 4}, 6)}), 44100},
      {"cut in the data", Bytes(good.begin(), good.end() - 3)},
      {"cut in a header", Bytes(good.begin(), good.begin() + 40)},
      {"form claims more", Cat({claims200, fmt, data})},
      {"form without room for its type", {'R', 'I', 'F', 'F', 2, 0, 0, 0, 'W', 'A'}},
      {"a chunk claims 4 GiB", Riff({Chunk("data", {1, 2}, 0xFFFFFFFF), fmt})},
      {"size wraps past 4 GiB", Riff({Chunk("junk", {0, 0}, 0xFFFFFFF0), fmt, data})},
      {"not RIFF", Cat({{'R', 'I', 'F', 'X'}, Bytes(good.begin() + 4, good.end())})},
      {"not WAVE", Chunk("RIFF", Cat({{'A', 'V', 'I', ' '}, fmt, data}))},
      {"chunks after the form", Cat({Riff({Chunk("junk", {})}), fmt, data})},
  };
  ScratchDir dir;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir.path() / "test.wav", c.file);
    ruzoz::Wave wave;
    ASSERT_TRUE(wave.Load((dir.path() / "test.wav").c_str())) << "any non-empty file loads";
    EXPECT_EQ(Bytes(wave.Data(), wave.Data() + wave.Size()), c.file);
    ruzoz::WaveFormat format{.channels = 7};
    EXPECT_EQ(wave.GetFormat(format), c.rate != 0);
    EXPECT_EQ(format.samplesPerSec, c.rate);
    EXPECT_EQ(format.bitsPerSample, c.rate ? 16 : 0);
    EXPECT_EQ(wave.GetDataSize(), c.data.size());

    std::uint8_t *fresh = nullptr;
    EXPECT_EQ(wave.ReadData(&fresh, 1), c.data.size()) << "a new block ignores the cap";
    std::unique_ptr<std::uint8_t[]> owned(fresh);
    EXPECT_EQ(fresh != nullptr, !c.data.empty());
    if (fresh) {
      EXPECT_EQ(Bytes(fresh, fresh + c.data.size()), c.data);
    }
    // A caller's block: exactly its cap, from the chunk's start, nothing past.
    const std::uint32_t cap = std::uint32_t(c.data.size() / 2);
    Bytes block(cap + 1, 0xA5);
    std::uint8_t *into = block.data();
    EXPECT_EQ(wave.ReadData(&into, cap), cap);
    EXPECT_EQ(block, Cat({Bytes(c.data.begin(), c.data.begin() + cap), {0xA5}}));
  }
}

TEST(WaveReader, ReadsStopAtTheImageEnd) {
  const Bytes image = Chunk("odd ", {1, 2, 3});
  ruzoz::MMIO io(ruzoz::MemoryFileInfo{image.data(), std::uint32_t(image.size())});
  ruzoz::ChunkRecord chunk;
  ASSERT_EQ(io.Descend(chunk, 0), ruzoz::MMIO::ok);
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(io.Read(buffer, 8), 4) << "three bytes and the pad";
  EXPECT_EQ(io.Read(buffer, 8), 0);
  io.Close();
  EXPECT_EQ(io.Read(buffer, 1), -1);
}

} // namespace
