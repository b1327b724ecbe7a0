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

// The panel's bottom strip, its last 10 rows, counted by background colour: the alert
// tint of a refused file, or the light grey it has otherwise.
struct StripColours {
  int alert = 0;
  int grey = 0;
};
StripColours bottomStripColours(HWND window);
// Most of the strip is its background; the text covers the rest.
bool coversMostOfTheStrip(int pixels);

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
