// The Windows half of the drag from the X desktop (shell_drag_drop.sh): the DLL's editor in
// a host window, waiting for a file that a Linux drag source drops on it, which wine hands
// to the panel's window as WM_DROPFILES. Prints "ready DISPLAY X Y", the screen point over
// the panel where the drag is to end, then runs the host until the bottom strip shows the
// refusal (this build reads no SOFA files) or 30 s have gone.
// Exit 0 when the refusal shows and the plug-in's state stayed; 1, saying why, otherwise.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "win32_editor_host.h"

namespace panner {
namespace {

constexpr int32_t kOwnSet = 23;

int fail(const std::string& why) {
  std::fprintf(stderr, "%s\n", why.c_str());
  return 1;
}

int waitForDroppedFile() {
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  if (!host) return fail(error);
  host->open(44100.0, 512);
  HWND window = makeHostWindow();
  if (window == nullptr || !host->openEditor(window)) return fail("the editor did not open");
  runHost(*host, 6);
  HWND editor = GetWindow(window, GW_CHILD);
  if (editor == nullptr) return fail("the editor made no child window");
  host->setParameter(0, 0.3f);  // a state other than the default, for the chunk to keep
  runHost(*host, 3);
  const std::vector<uint8_t> chunkBefore = host->getChunk();
  host->recorder().clear();
  if (bottomStripColours(window).alert != 0) return fail("the strip is tinted before any drop");

  POINT target{200, 150};
  ClientToScreen(editor, &target);
  const char* display = std::getenv("DISPLAY");
  std::printf("ready %s %ld %ld\n", display ? display : "", target.x, target.y);
  std::fflush(stdout);

  const auto start = std::chrono::steady_clock::now();
  StripColours shown;
  while (!coversMostOfTheStrip(shown.alert) &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
    runHost(*host, 2);
    shown = bottomStripColours(window);
  }
  std::vector<std::string> faults;
  if (!coversMostOfTheStrip(shown.alert))
    faults.push_back("no refusal shown: " + std::to_string(shown.alert) + " alert pixels, " +
                     std::to_string(shown.grey) + " grey");
  if (host->getParameter(kOwnSet) != 0.0f) faults.push_back("own set switched on");
  if (host->getChunk() != chunkBefore) faults.push_back("the chunk changed");
  for (const auto& call : host->recorder().automateCalls())
    if (call.index == kOwnSet) faults.push_back("own set automated");
  for (int32_t index : host->recorder().beginEdits())
    if (index == kOwnSet) faults.push_back("an edit of own set began");
  host->closeEditor();
  DestroyWindow(window);
  pumpMessages();
  for (const std::string& fault : faults) std::fprintf(stderr, "%s\n", fault.c_str());
  if (faults.empty()) std::printf("refused, the state kept\n");
  return faults.empty() ? 0 : 1;
}

}  // namespace
}  // namespace panner

int main() { return panner::waitForDroppedFile(); }
