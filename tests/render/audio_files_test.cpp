// Reading and writing audio files: channel matching, the temporary file that only becomes
// OUTPUT on commit, and the formats each extension gives.
#include <gtest/gtest.h>

#include "render_error.h"
#include "tool_run.h"

using namespace render;
using tool_test::fs::perms;

namespace {

class AudioFiles : public tool_test::ToolTest {
 protected:
  // Writes `frames` frames where channel c of frame f holds (c + 1) x 0.1 + f x 0.001.
  void writeTestFile(const std::string& name, int channels, int frames) {
    tool_test::Channels data(channels, std::vector<float>(frames));
    for (int c = 0; c < channels; ++c)
      for (int f = 0; f < frames; ++f) data[c][f] = (c + 1) * 0.1f + f * 0.001f;
    writeAudio(name, data, 48000);
  }
  size_t filesInDir() const {
    const auto dir = tool_test::fs::directory_iterator(root_ / "work");
    return static_cast<size_t>(std::distance(dir, tool_test::fs::directory_iterator()));
  }
};

}  // namespace

TEST_F(AudioFiles, StereoIsMixedDownToTheAverageForAMonoPlugin) {
  writeTestFile("stereo.wav", 2, 100);
  AudioFileReader reader(path("stereo.wav"));
  EXPECT_EQ(reader.channels(), 2);
  EXPECT_EQ(reader.sampleRate(), 48000);
  EXPECT_EQ(reader.frames(), 100);
  reader.setTargetChannels(1);
  EXPECT_TRUE(reader.mixesDown());
  std::vector<float> mono(64);
  float* out[] = {mono.data()};
  ASSERT_EQ(reader.read(out, 64), 64);
  EXPECT_FLOAT_EQ(mono[10], 0.15f + 0.010f);
  EXPECT_EQ(reader.read(out, 64), 36);
  EXPECT_EQ(reader.read(out, 64), 0);
}

TEST_F(AudioFiles, MonoFeedsEveryInputAndMismatchesAreRefused) {
  writeTestFile("mono.flac", 1, 10);
  AudioFileReader mono(path("mono.flac"));
  mono.setTargetChannels(2);
  EXPECT_FALSE(mono.mixesDown());
  std::vector<float> a(10), b(10);
  float* out[] = {a.data(), b.data()};
  ASSERT_EQ(mono.read(out, 10), 10);
  EXPECT_NEAR(a[5], 0.105f, 1e-6f);  // 24-bit FLAC
  EXPECT_EQ(a, b);

  writeTestFile("three.wav", 3, 10);
  AudioFileReader three(path("three.wav"));
  EXPECT_THROW(three.setTargetChannels(2), RenderError);
  EXPECT_THROW(three.setTargetChannels(0), RenderError);
}

TEST_F(AudioFiles, NothingAppearsAtOutputUntilCommit) {
  {
    AudioFileWriter writer(path("out.wav"), 2, 44100);
    float zeros[4] = {};
    const float* in[] = {zeros, zeros};
    writer.write(in, 4);
    EXPECT_FALSE(tool_test::fs::exists(path("out.wav")));
    EXPECT_EQ(filesInDir(), 1u);  // the temporary file
  }
  EXPECT_EQ(filesInDir(), 0u);  // removed, not renamed

  writeTestFile("out.wav", 2, 4);
  EXPECT_EQ(filesInDir(), 1u);
  const auto mode = tool_test::fs::status(path("out.wav")).permissions();
  EXPECT_NE(mode & perms::owner_read, perms::none);
  EXPECT_NE(mode & perms::others_read, perms::none);  // not mkstemp's 0600
}

// Missing, unreadable and unwritable paths are run end to end in render_tool_test.cpp.
TEST_F(AudioFiles, FormatsFollowTheExtensionAndTheirLimits) {
  EXPECT_THROW(AudioFileWriter(path("wide.flac"), 9, 44100), RenderError);  // FLAC holds 8
  EXPECT_EQ(outputFormatFor("A.WAV"), outputFormatFor("b.wav"));
  EXPECT_EQ(outputFormatFor("dir.x/plain"), outputFormatFor("b.wav"));  // no extension
}
