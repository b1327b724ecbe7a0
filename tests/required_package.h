// For tests that need an installed package or program. On a developer's machine such a test
// skips, saying what to install; where QUENDRAL_REQUIRE_PACKAGES=1 (CI, which installs every
// package) a missing package fails the test instead, so a broken install cannot pass unseen.
//
//   QUENDRAL_REQUIRE_PACKAGE(fs::exists(path), path << " (Debian: some-package)");
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace quendral_test {

inline bool packagesRequired() {
  const char* value = std::getenv("QUENDRAL_REQUIRE_PACKAGES");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace quendral_test

// Returns from the test (skipped or failed) when `present` is false; `what` is streamed into
// the message, so it may chain several values with <<.
#define QUENDRAL_REQUIRE_PACKAGE(present, what)                             \
  do {                                                                      \
    if (!(present)) {                                                       \
      if (::quendral_test::packagesRequired()) {                            \
        FAIL() << "missing although QUENDRAL_REQUIRE_PACKAGES=1: " << what; \
      } else {                                                              \
        GTEST_SKIP() << "not installed: " << what;                          \
      }                                                                     \
    }                                                                       \
  } while (false)
