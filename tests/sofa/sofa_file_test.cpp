// The SOFA reader on bad files: refused in one line, the set before left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "required_package.h"
#include "sofa_file.h"
#include "sofa_reader_process.h"
#include "sofa_writer.h"

namespace fs = std::filesystem;

namespace panner {

namespace {

constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

class SofaFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("quendral-sofa-" + std::to_string(getpid()));
    fs::create_directories(dir);
    kept.name = "the set before";
    kept.taps = {1.0f, 2.0f};
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string path(const std::string& name) const { return (dir / name).string(); }

  std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path(name);
  }

  static quendral_test::SofaContents smallHead() {
    quendral_test::SofaContents c;
    c.taps = 32;
    for (int a = 0; a < 360; a += 30) {
      c.positions.push_back({static_cast<double>(a), 0.0, 1.5});
      for (int ear = 0; ear < 2; ++ear)
        for (int n = 0; n < c.taps; ++n) c.responses.push_back(n == 4 + ear + (a % 7) ? 0.5 : 0.0);
    }
    return c;
  }

  // Refused with a message naming `expected`, in one line, and `set` unchanged.
  void expectRefused(const std::string& file, const char* expected) {
    OwnResponseSet set = kept;
    std::string status;
    EXPECT_FALSE(loadOwnResponseSet(file, set, status)) << file;
    EXPECT_NE(status.find(expected), std::string::npos) << status;
    EXPECT_EQ(status.find('\n'), std::string::npos) << status;
    EXPECT_EQ(set.taps, kept.taps);
    EXPECT_EQ(set.name, kept.name);
  }

  fs::path dir;
  OwnResponseSet kept;
};

}  // namespace

// A small head written by ncgen loads with its title (the ring's refusals: own_set_test.cpp).
TEST_F(SofaFile, ASmallHeadLoadsAndWhatIsNoneOrBadIsRefusedByName) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(quendral_test::kNcgen),
                           quendral_test::kNcgen << " (Debian: netcdf-bin)");
  ASSERT_TRUE(quendral_test::writeSofa(smallHead(), path("small.sofa")));
  OwnResponseSet set;
  std::string status;
  ASSERT_TRUE(loadOwnResponseSet(path("small.sofa"), set, status)) << status;
  EXPECT_EQ(set.name, "test head");
  EXPECT_EQ(set.rows(), 12);
  EXPECT_NE(set.checksum, 0u);
  EXPECT_NE(status.find("12 directions"), std::string::npos) << status;

  std::ofstream(path("other.cdl")) << "netcdf other {\ndimensions:\n x = 3 ;\nvariables:\n"
                                      " double v(x) ;\ndata:\n v = 1, 2, 3 ;\n}\n";
  ASSERT_EQ(std::system((std::string(quendral_test::kNcgen) + " -k nc4 -o " + path("other.sofa") +
                         " " + path("other.cdl"))
                            .c_str()),
            0);
  quendral_test::SofaContents general = smallHead(), nan = smallHead();
  general.conventions = "GeneralFIR";
  ASSERT_TRUE(quendral_test::writeSofa(general, path("general.sofa")));
  nan.responses[3 * 64 + 5] = std::numeric_limits<double>::quiet_NaN();
  ASSERT_TRUE(quendral_test::writeSofa(nan, path("nan.sofa")));
  std::ofstream(path("large.sofa")).close();
  fs::resize_file(path("large.sofa"), own_set::kMaxFileBytes + 1);  // refused before reading
  const std::pair<std::string, const char*> refused[] = {
      {path("missing.sofa"), "cannot be opened"},
      {writeBytes("text.sofa", {'h', 'e', 'l', 'l', 'o'}), "not a SOFA file"},
      {path("other.sofa"), "not a SOFA file"},  // netCDF-4 holding something else
      {path("general.sofa"), "another convention: GeneralFIR"},
      {path("nan.sofa"), "non-finite values in the response at"},
      {path("large.sofa"), "too large"}};
  for (const auto& [file, expected] : refused) expectRefused(file, expected);
}

// A real file cut short is refused (damaged bytes: the SOFA fuzz target); one that crashes
// libmysofa is refused by the reader's program, and the process lives on.
TEST_F(SofaFile, TruncatedAndReaderCrashingFilesAreRefusedAndTheProcessLivesOn) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kMitKemar), kMitKemar << " (Debian: libmysofa1)");
  const std::vector<uint8_t> whole = quendral_test::fileBytes(kMitKemar);
  for (size_t size : {size_t(100), whole.size() / 3, whole.size() - 1})
    expectRefused(writeBytes("cut.sofa", {whole.begin(), whole.begin() + static_cast<long>(size)}),
                  "");
  const std::string file = std::string(QUENDRAL_SOFA_TEST_DATA) + "/reader_crash.sofa";
  ASSERT_TRUE(fs::exists(file)) << file;
  ASSERT_NE(sofaReaderProgram(), "") << "the build puts quendral-sofa-reader beside the tests";
#if defined(__SANITIZE_THREAD__)
  // Under ThreadSanitizer the crashing reader hangs in its crash report until the 30 s limit.
  expectRefused(
      file, "reader_crash.sofa: the SOFA reader did not finish within 30 s (the file is damaged)");
#else
  expectRefused(file,
                "reader_crash.sofa: the file is damaged: the SOFA reader (libmysofa) failed on it");
#endif
  // And a sound file still reads after it, through the same path.
  OwnResponseSet set;
  std::string status;
  EXPECT_TRUE(loadOwnResponseSet(kMitKemar, set, status)) << status;
}

TEST(SofaReaderProcess, MeasurementsCrossThePipeWholeAndDamagedMessagesAreRejected) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kMitKemar), kMitKemar << " (Debian: libmysofa1)");
  const std::vector<uint8_t> bytes = quendral_test::fileBytes(kMitKemar);
  // What the reader's program sends is what the reader read.
  SofaMeasurements direct, isolated;
  std::string why;
  ASSERT_TRUE(readSofaMeasurements(bytes.data(), bytes.size(), "mit.sofa", direct, why)) << why;
  ASSERT_TRUE(readSofaMeasurementsIsolated(bytes.data(), bytes.size(), "mit.sofa", isolated, why))
      << why;
  const std::string message = encodeSofaMeasurements(direct);
  EXPECT_TRUE(encodeSofaMeasurements(isolated) == message);
  // A message cut anywhere, or with bytes left over, decodes to nothing.
  SofaMeasurements decoded;
  for (size_t cut : {size_t(0), size_t(7), message.size() / 2, message.size() - 1}) {
    EXPECT_FALSE(decodeSofaMeasurements(message.substr(0, cut), decoded)) << cut;
  }
  EXPECT_FALSE(decodeSofaMeasurements(message + "x", decoded));
  EXPECT_TRUE(decodeSofaMeasurements(message, decoded));
  EXPECT_EQ(decoded.responses, direct.responses);
}

}  // namespace panner
