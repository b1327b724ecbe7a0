// The Windows build has no SOFA reader: a user's own response set arrives with a project or
// preset. Asking its core to load a file, even a good SOFA file, is refused with the line
// the panel shows, and changes nothing: a set that came with a chunk keeps playing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "own_response_set.h"
#include "quendral_core.h"
#include "required_package.h"

namespace panner {
namespace {

constexpr int32_t kOwnSet = 23;
// Debian's MIT KEMAR file, through wine's drive for the Linux file system.
const char* const kMitKemar = "Z:\\usr\\share\\libmysofa\\MIT_KEMAR_normal_pinna.sofa";
const char* const kRefusal =
    "own sets cannot be read from files here: they arrive with a project or preset";

// A full ring every 30 degrees: each ear a short click, later and weaker on the far side.
std::shared_ptr<OwnResponseSet> clickRing() {
  auto set = std::make_shared<OwnResponseSet>();
  set->rate = 44100.0;
  set->length = 64;
  set->name = "click ring";
  set->checksum = 0x5eed1234u;
  for (int row = 0; row < 12; ++row) {
    const float angle = 30.0f * row;
    set->angles.push_back(angle);
    const float towardsRight = std::sin(angle * 3.14159265f / 180.0f);
    for (int ear = 0; ear < 2; ++ear) {
      std::vector<float> taps(set->length, 0.0f);
      const float near = ear == 1 ? towardsRight : -towardsRight;  // 1 facing this ear
      taps[8 + static_cast<int>(12.0f * (1.0f - near))] = 0.6f + 0.3f * near;
      taps[30] = 0.05f;
      set->taps.insert(set->taps.end(), taps.begin(), taps.end());
    }
  }
  set->widestGap = 30.0f;
  return set;
}

std::vector<uint8_t> bankChunk(QuendralCore& core) {
  void* data = nullptr;
  const int32_t size = core.getChunk(&data, false);
  const auto* bytes = static_cast<const uint8_t*>(data);
  return size > 0 ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

TEST(WindowsOwnSet, SofaFilesAreRefusedWithTheLineThePanelShows) {
  QuendralCore core(nullptr);
  ASSERT_TRUE(core.constructed());
  EXPECT_STREQ(QuendralCore::ownSetHint(), "own sets arrive with a project or preset");
  EXPECT_EQ(core.lastOwnSetRefusal(), "");

  std::ifstream sofa(kMitKemar, std::ios::binary);
  QUENDRAL_REQUIRE_PACKAGE(sofa.good(), kMitKemar << " (Debian: libmysofa1)");
  for (const char* path : {kMitKemar, "C:\\no such folder\\head.sofa", ""}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(core.loadOwnSet(path));
    EXPECT_EQ(core.lastOwnSetRefusal(), kRefusal);
    EXPECT_EQ(core.ownSet(), nullptr);
  }
  EXPECT_FALSE(core.loadOwnSet(nullptr));
  EXPECT_EQ(core.lastOwnSetRefusal(), kRefusal);
}

TEST(WindowsOwnSet, ARefusedFileLeavesTheSetThatCameWithTheStatePlaying) {
  QuendralCore core(nullptr);
  ASSERT_TRUE(core.constructed());
  ASSERT_TRUE(core.setOwnSet(clickRing()));
  core.setParameter(kOwnSet, 1.0f);
  // Through the chunk, as a project brings it: a second core takes the first one's bank.
  std::vector<uint8_t> saved = bankChunk(core);
  QuendralCore reloaded(nullptr);
  ASSERT_TRUE(reloaded.constructed());
  ASSERT_EQ(reloaded.setChunk(saved.data(), static_cast<int32_t>(saved.size()), false), 1);
  ASSERT_NE(reloaded.ownSet(), nullptr);
  EXPECT_EQ(reloaded.ownSet()->name, "click ring");
  EXPECT_EQ(reloaded.getParameter(kOwnSet), 1.0f);

  const std::shared_ptr<const OwnResponseSet> playing = reloaded.ownSet();
  const std::string description = reloaded.playingSetDescription();
  EXPECT_NE(description.find("click ring"), std::string::npos) << description;
  const std::vector<uint8_t> before = bankChunk(reloaded);

  EXPECT_FALSE(reloaded.loadOwnSet(kMitKemar));
  EXPECT_EQ(reloaded.lastOwnSetRefusal(), kRefusal);
  EXPECT_EQ(reloaded.ownSet(), playing);
  EXPECT_EQ(reloaded.playingSetDescription(), description);
  EXPECT_EQ(reloaded.getParameter(kOwnSet), 1.0f);
  EXPECT_EQ(bankChunk(reloaded), before) << "the refusal changed the saved state";
}

}  // namespace
}  // namespace panner
