// What the end-to-end tests of quendral-render share: a fresh folder per test, running the
// built tool with its streams caught (where RENDER_TOOL names it), and audio files written
// and read back.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "audio_file_reader.h"
#include "audio_file_writer.h"

namespace tool_test {

namespace fs = std::filesystem;
using Channels = std::vector<std::vector<float>>;

struct RunResult {
  int status = -1;
  std::string out, err;
};

inline std::vector<float> clicks(int frames, int spacing) {
  std::vector<float> x(frames, 0.0f);
  for (int i = spacing / 2; i < frames; i += spacing) x[i] = 0.5f;
  return x;
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("quendral-render-test-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "work");
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string path(const std::string& name) const { return (root_ / "work" / name).string(); }

#ifdef RENDER_TOOL
  // Runs the tool with `args`; its standard output and error are kept outside "work".
  RunResult run(const std::vector<std::string>& args) const {
    std::string command = quoted(RENDER_TOOL);
    for (const auto& a : args) command += " " + quoted(a);
    const fs::path out = root_ / "out.txt", err = root_ / "err.txt";
    command += " </dev/null >" + quoted(out.string()) + " 2>" + quoted(err.string());
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
  }

#endif

  void writeAudio(const std::string& name, const Channels& channels, int rate) const {
    render::AudioFileWriter writer(path(name), static_cast<int>(channels.size()), rate);
    std::vector<const float*> pointers;
    for (const auto& c : channels) pointers.push_back(c.data());
    writer.write(pointers.data(), static_cast<int>(channels[0].size()));
    writer.commit();
  }

  Channels readAudio(const std::string& name) const {
    render::AudioFileReader reader(path(name));
    reader.setTargetChannels(reader.channels());
    Channels channels(reader.channels(), std::vector<float>(reader.frames()));
    std::vector<float*> pointers;
    for (auto& c : channels) pointers.push_back(c.data());
    EXPECT_EQ(reader.read(pointers.data(), static_cast<int>(reader.frames())), reader.frames());
    return channels;
  }

#ifdef RENDER_TOOL
  // Renders `input` (already written) with `options` through `plugin` into `output`, quietly,
  // and reads the result back; empty when the tool failed.
  Channels render(const std::string& input, const std::string& output,
                  std::vector<std::string> options, const std::string& plugin = QUENDRAL_PLUGIN) {
    options.insert(options.end(), {"--quiet", "--plugin", plugin, path(input), path(output)});
    const RunResult r = run(options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.status == 0 ? readAudio(output) : Channels{};
  }
#endif

  static std::string quoted(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }
  static std::string slurp(const fs::path& file) {
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
  }

  fs::path root_;
};

}  // namespace tool_test
