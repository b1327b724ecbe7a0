// The committed response-set data is exactly what the generator makes from the SOFA file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#ifdef QUENDRAL_HAVE_RESPONSE_SET_GENERATOR
#include "response_set_generator.h"
#endif

namespace {

TEST(ResponseSetData, CommittedFileIsWhatTheGeneratorWrites) {
#ifndef QUENDRAL_HAVE_RESPONSE_SET_GENERATOR
  GTEST_SKIP() << "libmysofa is not installed, so the generator was not built; "
                  "install libmysofa-dev to run this check";
#else
  if (!std::ifstream(response_sets::kDefaultSofaPath))
    GTEST_SKIP() << response_sets::kDefaultSofaPath << " is missing; install libmysofa1";
  std::string generated, error;
  ASSERT_TRUE(
      response_sets::generateResponseSetSource(response_sets::kDefaultSofaPath, generated, error))
      << error;
  std::ifstream file(QUENDRAL_RESPONSE_SET_DATA, std::ios::binary);
  ASSERT_TRUE(file) << "cannot read " << QUENDRAL_RESPONSE_SET_DATA;
  std::stringstream committed;
  committed << file.rdbuf();
  EXPECT_TRUE(committed.str() == generated)
      << QUENDRAL_RESPONSE_SET_DATA << " differs from the generator's output; rebuild it with "
      << "the regenerate-response-sets target";
#endif
}

TEST(ResponseSetData, GeneratorReportsAMissingFile) {
#ifndef QUENDRAL_HAVE_RESPONSE_SET_GENERATOR
  GTEST_SKIP() << "libmysofa is not installed";
#else
  std::string generated, error;
  EXPECT_FALSE(
      response_sets::generateResponseSetSource("/nonexistent/file.sofa", generated, error));
  EXPECT_NE(error.find("/nonexistent/file.sofa"), std::string::npos) << error;
#endif
}

}  // namespace
