// What only the LV2 editor does (the click, the knob gesture and the host's changes are the
// editor window test's): with instance access the panel follows the plug-in, not the port
// reports; without it every edit, the envelope's too, is written to the ports. A SOFA file
// chosen in the panel goes to the host as a patch:Set.
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/patch/patch.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor_hosts.h"
#include "lv2_host_features.h"
#include "required_package.h"
#include "xvfb_suite.h"

namespace {

using namespace panner;
using namespace panner::lv2;
using quendral_test::Lv2EditorHost;

class Lv2EditorWindow : public quendral_test::XvfbSuite {
 protected:
  void SetUp() override {
    QUENDRAL_REQUIRE_PACKAGE(server != nullptr, "Xvfb (Debian: xvfb)");
    QUENDRAL_REQUIRE_PACKAGE(quendral_test::xdotoolPresent(), "xdotool (Debian: xdotool)");
    std::string error;
    ASSERT_TRUE(window.open(435, 330, error)) << error;
  }
  void TearDown() override { window.close(); }

  // Loads `host`'s plug-in and opens its panel in the window.
  void open(Lv2EditorHost& host) {
    std::string error;
    ASSERT_TRUE(host.load(error) && host.open(window.parentHandle(), error)) << error;
    host.idle(100);
  }

  x11host::HostWindow window;
};

TEST_F(Lv2EditorWindow, WithInstanceAccessThePanelFollowsThePluginNotThePorts) {
  Lv2EditorHost host;
  ASSERT_NO_FATAL_FAILURE(open(host));
  const float gain = 3.0f;
  host.editor->portEvent(kFirstControlPort + kParamGain, sizeof gain, 0, &gain);
  EXPECT_EQ(host.parameter(kParamGain), 0.5f);
  // The editor lets go of the plug-in when it closes; the plug-in then edits alone.
  host.close();
  host.plugin->core().setParameterAutomated(kParamGain, 0.75f);
  EXPECT_TRUE(host.heard().empty());
}

TEST_F(Lv2EditorWindow, WithoutInstanceAccessTheEnvelopesEditsAreWrittenToo) {
  Lv2EditorHost host(false);
  ASSERT_NO_FATAL_FAILURE(open(host));
  quendral_test::playXdotool("mousemove 310 80 click 1", [&] { host.idle(5); });
  host.idle(120);
  const std::vector<quendral_test::HostEdit> heard = host.heard();
  EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [](const quendral_test::HostEdit& e) {
    return e.kind == 'p' && e.index >= kParamPointValue1 && e.index <= kParamPointTime8;
  }));
}

// The plug-in's panel hands the file to the plug-in, which passes it to the editor, which
// writes it as a patch:Set and switches "own set" on. Without the host's worker or a URID map
// the panel loads the file itself, as in the other formats.
TEST_F(Lv2EditorWindow, AFileChosenInThePanelGoesToTheHostAsAPatchSet) {
  constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
  QUENDRAL_REQUIRE_PACKAGE(access(kKemar, R_OK) == 0,
                           "the MIT KEMAR SOFA file (Debian: libmysofa-dev)");
  quendral_lv2_test::HostWorker worker;
  Lv2EditorHost host, noWorker, noMap(false);
  const LV2_Feature* withWorker[] = {host.uris.mapFeature(), worker.feature(), nullptr};
  const LV2_Feature* mapOnly[] = {noWorker.uris.mapFeature(), nullptr};
  host.pluginFeatures = withWorker;
  noWorker.pluginFeatures = mapOnly;
  for (Lv2EditorHost* h : {&host, &noWorker, &noMap}) ASSERT_NO_FATAL_FAILURE(open(*h));
  EXPECT_TRUE(static_cast<CoreHost&>(*host.plugin).ownSetFileChosen(kKemar));
  ASSERT_EQ(host.atoms.size(), 1u);
  EXPECT_EQ(host.atoms[0].port, kEventsInPort);
  EXPECT_EQ(host.atoms[0].format, host.uris.urid(LV2_ATOM__eventTransfer));
  float last = 0.0f;
  EXPECT_EQ(host.heardOf(kParamOwnSet, &last), "bpe") << "own set switched on in one gesture";
  EXPECT_EQ(last, 1.0f);
  EXPECT_EQ(host.heard().back().index, kParamOwnSet) << "own set switched on last";
  // The plug-in's side of the patch:Set, through the worker, is lv2_adapter_test's.
  const auto* atom = reinterpret_cast<const LV2_Atom_Object*>(host.atoms[0].bytes.data());
  EXPECT_EQ(atom->atom.type, host.uris.urid(LV2_ATOM__Object));
  EXPECT_EQ(atom->body.otype, host.uris.urid(LV2_PATCH__Set));
  EXPECT_NE(host.atoms[0].bytes.find(kKemar), std::string::npos);

  EXPECT_FALSE(noMap.editor->ownSetFileChosen(kKemar));
  EXPECT_FALSE(static_cast<CoreHost&>(*noWorker.plugin).ownSetFileChosen(kKemar));
  EXPECT_TRUE(noMap.atoms.empty() && noWorker.atoms.empty());
}

}  // namespace
