// The DLL's editor open in a Win32 host window, and what a host does between user actions.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "plugin_host.h"
#include "win32_host_window.h"

namespace panner {

// Delivers messages and idles the editor, `passes` times.
void runHost(vsthost::PluginHost& host, int passes);

// The plug-in loaded and its editor open in a host window; no host call recorded yet.
class EditorInHostWindow : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::unique_ptr<vsthost::PluginHost> host;
  HWND window = nullptr;
  HWND editor = nullptr;  // the panel's own window, the host window's child
};

}  // namespace panner
