// Files dropped on the DLL's editor, posted to the panel's window as the shell posts them
// (WM_DROPFILES with a DROPFILES block of UTF-16 paths). This build reads no SOFA files, so
// a drop, even of a good SOFA file, is refused: the bottom strip turns the alert colour and
// the plug-in's state stays as it was, with nothing reported to the host as an edit.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>  // DROPFILES

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "required_package.h"
#include "win32_editor_host.h"

namespace panner {

namespace {

constexpr int32_t kOwnSet = 23;  // the "own set" parameter
// Debian's MIT KEMAR file, through wine's drive for the Linux file system.
const wchar_t* const kMitKemar = L"Z:\\usr\\share\\libmysofa\\MIT_KEMAR_normal_pinna.sofa";
// What the shell posts for a drop: a moveable block holding DROPFILES, then each path
// with its terminating zero, then one more zero.
HGLOBAL shellDropOf(const std::vector<std::wstring>& paths, POINT where) {
  size_t characters = 1;
  for (const std::wstring& path : paths) characters += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  if (memory == nullptr) return nullptr;
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = where;
  drop->fNC = FALSE;
  drop->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(memory);
  return memory;
}

// The file the drop tests send, as a copy under `name` in a fresh folder of the temporary
// folder (empty when it could not be made).
std::wstring copyOfMitKemar(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  if (GetTempPathW(MAX_PATH, temp) == 0) return {};
  const std::wstring folder = std::wstring(temp) + L"quendral drops";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + L"\\" + name;
  return CopyFileW(kMitKemar, path.c_str(), FALSE) ? path : std::wstring();
}

class EditorDropTest : public EditorInHostWindow {
 protected:
  // Posts the drop to the panel's window and runs the host until the strip shows the
  // refusal or 5 s have gone.
  StripColours dropAndWait(const std::vector<std::wstring>& paths, POINT where = {200, 150}) {
    HGLOBAL drop = shellDropOf(paths, where);
    EXPECT_NE(drop, nullptr);
    EXPECT_TRUE(PostMessageW(editor, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0));
    const auto start = std::chrono::steady_clock::now();
    StripColours shown;
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
      runHost(*host, 2);
      shown = bottomStripColours(window);
      if (coversMostOfTheStrip(shown.alert)) break;
    }
    return shown;
  }

  // A non-default state, so an unchanged chunk says something: angle and gain moved.
  void moveSomeKnobs() {
    host->setParameter(0, 0.3f);
    host->setParameter(1, 0.65f);
    runHost(*host, 3);
    host->recorder().clear();
  }

  void expectNothingReportedForOwnSet() {
    for (const auto& call : host->recorder().automateCalls())
      EXPECT_NE(call.index, kOwnSet) << "own set automated to " << call.value;
    for (int32_t index : host->recorder().beginEdits()) EXPECT_NE(index, kOwnSet);
    for (int32_t index : host->recorder().endEdits()) EXPECT_NE(index, kOwnSet);
  }

  void dropIsRefusedKeepingTheState(const std::wstring& path) {
    ASSERT_FALSE(path.empty()) << "the copy of the SOFA file could not be made";
    moveSomeKnobs();
    const std::vector<uint8_t> chunkBefore = host->getChunk();
    ASSERT_FALSE(chunkBefore.empty());
    const StripColours before = bottomStripColours(window);
    EXPECT_EQ(before.alert, 0);
    EXPECT_TRUE(coversMostOfTheStrip(before.grey)) << before.grey << " grey pixels before the drop";

    const StripColours after = dropAndWait({path});
    EXPECT_TRUE(coversMostOfTheStrip(after.alert))
        << after.alert << " alert pixels, " << after.grey << " grey: the refusal is not shown";
    EXPECT_EQ(host->getParameter(kOwnSet), 0.0f);
    EXPECT_TRUE(host->getChunk() == chunkBefore) << "the drop changed the plug-in's state";
    EXPECT_FLOAT_EQ(host->getParameter(0), 0.3f);
    expectNothingReportedForOwnSet();
  }
};

}  // namespace

TEST_F(EditorDropTest, PanelWindowTakesFilesFromTheShell) {
  // The shell sends WM_DROPFILES only to windows that registered for it.
  EXPECT_NE(GetWindowLongW(editor, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
}

TEST_F(EditorDropTest, DroppedSofaFileIsRefusedAndTheStateStays) {
  QUENDRAL_REQUIRE_PACKAGE(GetFileAttributesW(kMitKemar) != INVALID_FILE_ATTRIBUTES,
                           "MIT_KEMAR_normal_pinna.sofa (Debian: libmysofa1)");
  dropIsRefusedKeepingTheState(copyOfMitKemar(L"head.sofa"));
}

// Letters outside Latin-1 and a character beyond the 16-bit range (two UTF-16 units): a path
// lost in the conversion to UTF-8 would leave the strip grey.
TEST_F(EditorDropTest, PathOutsideAsciiIsRefusedTheSameWay) {
  QUENDRAL_REQUIRE_PACKAGE(GetFileAttributesW(kMitKemar) != INVALID_FILE_ATTRIBUTES,
                           "MIT_KEMAR_normal_pinna.sofa (Debian: libmysofa1)");
  dropIsRefusedKeepingTheState(
      copyOfMitKemar(L"Kunstkopf \u00d8rsted \u00e9t\u00e9 \u97f3\u5834 \U0001f3a7.sofa"));
}

TEST_F(EditorDropTest, MissingFileAndSeveralFilesAreRefusedToo) {
  // Several files at once, the first naming nothing, dropped on the strip itself.
  moveSomeKnobs();
  const std::vector<uint8_t> chunkBefore = host->getChunk();
  const StripColours shown =
      dropAndWait({L"C:\\no such folder\\head.sofa", L"C:\\other.sofa"}, POINT{10, 325});
  EXPECT_TRUE(coversMostOfTheStrip(shown.alert)) << shown.alert << " alert pixels";
  EXPECT_EQ(host->getParameter(kOwnSet), 0.0f);
  EXPECT_TRUE(host->getChunk() == chunkBefore);
  expectNothingReportedForOwnSet();
}

// Every refusal here has the same text: one clicked away must not hide the next.
TEST_F(EditorDropTest, RefusalClickedAwayIsShownAgainForTheNextDrop) {
  QUENDRAL_REQUIRE_PACKAGE(GetFileAttributesW(kMitKemar) != INVALID_FILE_ATTRIBUTES,
                           "MIT_KEMAR_normal_pinna.sofa (Debian: libmysofa1)");
  const std::wstring path = copyOfMitKemar(L"head.sofa");
  ASSERT_FALSE(path.empty());
  ASSERT_TRUE(coversMostOfTheStrip(dropAndWait({path}).alert));

  // A click on the strip dismisses the refusal: grey again, the set as it was.
  moveTo(window, 200, 325);
  pumpMessages();
  sendButton(true);
  runHost(*host, 3);
  sendButton(false);
  runHost(*host, 3);
  const StripColours dismissed = bottomStripColours(window);
  EXPECT_EQ(dismissed.alert, 0);
  EXPECT_TRUE(coversMostOfTheStrip(dismissed.grey));
  EXPECT_EQ(host->getParameter(kOwnSet), 0.0f);

  // The user tries again: this refusal is news and must be seen.
  const StripColours again = dropAndWait({path});
  EXPECT_TRUE(coversMostOfTheStrip(again.alert))
      << again.alert << " alert pixels after the second drop";
  EXPECT_EQ(host->getParameter(kOwnSet), 0.0f);
}

}  // namespace panner
