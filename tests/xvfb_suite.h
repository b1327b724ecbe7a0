// A GoogleTest fixture base for suites that open real X11 windows: the suite shares one
// private Xvfb server, started before its first test and stopped after its last (the
// server sets DISPLAY for the process and its children). Where it cannot start, `server`
// is null and `serverError` says why; each test's SetUp decides whether that fails or
// skips it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "xvfb_server.h"

namespace quendral_test {

class XvfbSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new x11host::XvfbServer;
    if (!server->start(serverError)) {
      delete server;
      server = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  static inline x11host::XvfbServer* server = nullptr;
  static inline std::string serverError;
};

}  // namespace quendral_test
