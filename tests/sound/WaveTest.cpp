#include "audio/Wave.h"
#include "audio/MMIO.h"

#include "TestWaves.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace soundtest;
using ruzoz::Wave;
using ruzoz::WaveFormat;

class WaveFile : public ::testing::Test {
protected:
  bool Load(const Bytes &bytes) {
    WriteBytes("test.wav", bytes);
    return wave.Load("test.wav");
  }
  Bytes Image() const { return Bytes(wave.Data(), wave.Data() + wave.Size()); }
  void ExpectNoAnswers() {
    WaveFormat format;
    format.channels = 7;
    EXPECT_FALSE(wave.GetFormat(format));
    EXPECT_EQ(format.channels, 0);
    EXPECT_EQ(wave.GetDataSize(), 0u);
    std::uint8_t block[2] = {9, 9}, *into = block, *fresh = nullptr;
    EXPECT_EQ(wave.ReadData(&into, 2), 0u);
    EXPECT_EQ(block[0], 9);
    EXPECT_EQ(wave.ReadData(&fresh, 2), 0u);
    EXPECT_EQ(fresh, nullptr);
  }

  ScratchDir dir;
  Wave wave;
};

const std::vector<std::int16_t> someSamples = {1, -2, 300, -400, 5000, -6000, 32767, -32768};

TEST_F(WaveFile, KeepsTheFileByteForByteAndReadsTheDataWithOrWithoutACap) {
  const Bytes file = PcmWave(2, 22050, someSamples), data = Samples16(someSamples);
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(Image(), file);
  WaveFormat f;
  ASSERT_TRUE(wave.GetFormat(f));
  EXPECT_EQ(std::vector<unsigned>({f.formatTag, f.channels, f.samplesPerSec, f.avgBytesPerSec,
                                   f.blockAlign, f.bitsPerSample}),
            std::vector<unsigned>({1, 2, 22050, 88200, 4, 16}));
  EXPECT_EQ(wave.GetDataSize(), data.size());

  Bytes block(24, 0xAA);
  std::uint8_t *into = block.data();
  EXPECT_EQ(wave.ReadData(&into, 5), 5u);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 6),
            Cat({Bytes(data.begin(), data.begin() + 5), {0xAA}}));
  EXPECT_EQ(wave.ReadData(&into, 24), data.size());
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 17), Cat({data, {0xAA}}));

  std::uint8_t *fresh = nullptr;
  EXPECT_EQ(wave.ReadData(&fresh, 0), data.size()) << "a new block ignores the cap";
  std::unique_ptr<std::uint8_t[]> owned(fresh);
  EXPECT_EQ(Bytes(fresh, fresh + data.size()), data);
  EXPECT_EQ(wave.ReadData(nullptr, 100), 0u);
}

TEST_F(WaveFile, FindsChunksInAnyOrderPastOtherAndPaddedChunks) {
  // The odd "junk" chunk has a pad byte: a walker that ignores it loses the rest.
  ASSERT_TRUE(Load(Form("RIFF", "WAVE",
                        {Chunk("junk", {1, 2, 3}), Chunk("data", Samples16({10, 20, 30})),
                         Form("LIST", "INFO", {Chunk("INAM", {'z', 0})}),
                         Chunk("fmt ", Fmt(1, 1, 11025, 16))})));
  WaveFormat format;
  ASSERT_TRUE(wave.GetFormat(format));
  EXPECT_EQ(format.samplesPerSec, 11025u);
  EXPECT_EQ(wave.GetDataSize(), 6u);
}

TEST_F(WaveFile, ShortFormatChunkReadsZerosWhereTheImageEnds) {
  WaveFormat format;
  ASSERT_TRUE(
      Load(Form("RIFF", "WAVE", {Chunk("data", {1, 2}), Chunk("fmt ", Fmt(1, 1, 8000, 16))})));
  ASSERT_TRUE(wave.GetFormat(format));
  EXPECT_EQ(format.bitsPerSample, 16);
  EXPECT_EQ(format.extraSize, 0);
  // Followed by a chunk, the record's tail is that chunk's first two bytes.
  ASSERT_TRUE(
      Load(Form("RIFF", "WAVE", {Chunk("fmt ", Fmt(1, 1, 8000, 16)), Chunk("data", {1, 2})})));
  ASSERT_TRUE(wave.GetFormat(format));
  EXPECT_EQ(format.extraSize, 'd' | 'a' << 8);
}

TEST_F(WaveFile, DamagedOrForeignImagesAnswerZeroWithoutReadingOutside) {
  const Bytes fmt = Chunk("fmt ", Fmt(1, 1, 44100, 16)), data = Chunk("data", {1, 2});
  const Bytes good = PcmWave(1, 44100, someSamples);
  const std::pair<const char *, Bytes> cases[] = {
      {"cut in the data", Bytes(good.begin(), good.end() - 3)},
      {"cut in a header", Bytes(good.begin(), good.begin() + 40)},
      {"form claims more",
       Cat({{'R', 'I', 'F', 'F', 200, 0, 0, 0, 'W', 'A', 'V', 'E'}, fmt, data})},
      {"form without room for its type", {'R', 'I', 'F', 'F', 2, 0, 0, 0, 'W', 'A'}},
      {"a chunk claims 4 GiB", Form("RIFF", "WAVE", {Chunk("data", {1, 2}, 0xFFFFFFFF), fmt})},
      {"size wraps past 4 GiB",
       Form("RIFF", "WAVE", {Chunk("junk", {0, 0}, 0xFFFFFFF0), fmt, data})},
      {"not RIFF", Form("RIFX", "WAVE", {fmt, data})},
      {"not WAVE", Form("RIFF", "AVI ", {fmt, data})},
      {"chunks after the form", Cat({Form("RIFF", "WAVE", {Chunk("junk", {})}), fmt, data})},
  };
  for (const auto &[what, bytes] : cases) {
    SCOPED_TRACE(what);
    EXPECT_TRUE(Load(bytes)) << "any file loads";
    ExpectNoAnswers();
  }
  // A last chunk claiming two bytes past the form: only that chunk is lost.
  Load(Form("RIFF", "WAVE", {fmt, Chunk("data", {1, 2, 3, 4}, 6)}));
  WaveFormat format;
  EXPECT_TRUE(wave.GetFormat(format));
  EXPECT_EQ(wave.GetDataSize(), 0u);
}

TEST_F(WaveFile, UnreadableEmptyOrShortReadFilesLeaveItEmpty) {
  ASSERT_TRUE(Load(PcmWave(1, 44100, someSamples)));
  const Bytes second = PcmWave(2, 8000, {7, 7});
  ASSERT_TRUE(Load(second));
  EXPECT_EQ(Image(), second) << "a second load replaces the first";

  EXPECT_FALSE(Load({}));
  EXPECT_FALSE(wave.IsValid());
  EXPECT_EQ(wave.Size(), 0u);
  ExpectNoAnswers();
  EXPECT_FALSE(wave.Free());
  EXPECT_FALSE(wave.Load("absent.wav"));
  EXPECT_FALSE(wave.Load(".")) << "a directory";
  // A sysfs attribute claims a page but delivers a few bytes.
  const char *shortRead = "/sys/devices/system/cpu/online";
  std::error_code error;
  if (std::filesystem::file_size(shortRead, error) > ReadBytes(shortRead).size() && !error) {
    EXPECT_FALSE(wave.Load(shortRead));
  }
  EXPECT_FALSE(wave.IsValid());
}

TEST(Mmio, AscendSkipsThePadAndReadsStopAtTheImageEnd) {
  const Bytes image = Cat({Chunk("odd ", {1, 2, 3}), Chunk("next", {4, 5})});
  ruzoz::MMIO io(ruzoz::MemoryFileInfo{image.data(), std::uint32_t(image.size())});
  ruzoz::ChunkRecord chunk;
  ASSERT_EQ(io.Descend(chunk, 0), ruzoz::MMIO::ok);
  EXPECT_EQ(chunk.size, 3u);
  io.Ascend(chunk, 0);
  ASSERT_EQ(io.Descend(chunk, 0), ruzoz::MMIO::ok);
  EXPECT_EQ(chunk.id, ruzoz::FourCC('n', 'e', 'x', 't'));
  std::uint8_t buffer[8];
  EXPECT_EQ(io.Read(buffer, 8), 2);
  EXPECT_EQ(io.Descend(chunk, 0), ruzoz::MMIO::badChunk);
  io.Close();
  EXPECT_EQ(io.Read(buffer, 1), -1);
}

} // namespace
