// The committed response-set data is exactly what the generator makes from the SOFA file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "required_package.h"

#ifdef QUENDRAL_HAVE_RESPONSE_SET_GENERATOR
#include "response_set_generator.h"
#endif

namespace {

TEST(ResponseSetData, CommittedFileIsWhatTheGeneratorWrites) {
#ifndef QUENDRAL_HAVE_RESPONSE_SET_GENERATOR
  QUENDRAL_REQUIRE_PACKAGE(false, "libmysofa-dev, without which the generator is not built");
#else
  QUENDRAL_REQUIRE_PACKAGE(std::ifstream(response_sets::kDefaultSofaPath).good(),
                           response_sets::kDefaultSofaPath << " (Debian: libmysofa-dev)");
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
  // A file it cannot read is named in its error.
  EXPECT_FALSE(
      response_sets::generateResponseSetSource("/nonexistent/file.sofa", generated, error));
  EXPECT_NE(error.find("/nonexistent/file.sofa"), std::string::npos) << error;
#endif
}

}  // namespace
