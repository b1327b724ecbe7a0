// What only the LV2 editor does, in a host window on a private X server (the click, the
// knob gesture and the host's changes, with and without instance access, are in
// tests/editor/editor_window_test.cpp): with instance access the panel follows the
// plug-in, not the port reports, and lets go of it when it closes; without it the panel's
// own core writes every edit, the envelope's too, since it has no other way to reach the
// plug-in. A SOFA file chosen in the panel goes to the host as a patch:Set.
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/patch/patch.h>
#include <unistd.h>

#include <memory>
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

  // The shared LV2 editor host, its panel open in the window.
  std::unique_ptr<Lv2EditorHost> openHost(bool instanceAccess) {
    auto host = std::make_unique<Lv2EditorHost>(instanceAccess);
    std::string error;
    EXPECT_TRUE(host->load(error) && host->open(window.parentHandle(), error)) << error;
    host->idle(100);
    return host;
  }

  x11host::HostWindow window;
};

TEST_F(Lv2EditorWindow, WithInstanceAccessThePanelFollowsThePluginNotThePorts) {
  auto host = openHost(true);
  const float gain = 3.0f;
  host->editor->portEvent(kFirstControlPort + kParamGain, sizeof gain, 0, &gain);
  EXPECT_EQ(host->parameter(kParamGain), 0.5f);
  // The editor lets go of the plug-in when it closes; the plug-in then edits alone.
  host->close();
  host->plugin->core().setParameterAutomated(kParamGain, 0.75f);
  EXPECT_TRUE(host->heard().empty());
}

TEST_F(Lv2EditorWindow, WithoutInstanceAccessTheEnvelopesEditsAreWrittenToo) {
  auto host = openHost(false);
  // The envelope editor tells no host of its own.
  quendral_test::playXdotool("mousemove 310 80 click 1", [&] { host->idle(5); });
  host->idle(120);
  bool pointWritten = false;
  for (const quendral_test::HostEdit& e : host->heard())
    pointWritten = pointWritten ||
                   (e.kind == 'p' && e.index >= kParamPointValue1 && e.index <= kParamPointTime8);
  EXPECT_TRUE(pointWritten);
}

// The panel hands a dropped file to its host (CoreHost::ownSetFileChosen): the plug-in's
// panel to the plug-in, which passes it to the editor, which sends it to the host as a
// patch:Set on the control port and switches "own set" on, for the host to deliver as it
// delivers what an editor writes. Where the editor's host gives no URID map, or the
// plug-in's no worker, the panel loads the file itself, as in the other formats.
TEST_F(Lv2EditorWindow, AFileChosenInThePanelGoesToTheHostAsAPatchSet) {
  constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
  QUENDRAL_REQUIRE_PACKAGE(access(kKemar, R_OK) == 0,
                           "the MIT KEMAR SOFA file (Debian: libmysofa-dev)");
  quendral_lv2_test::UridMap uris;
  quendral_lv2_test::HostWorker worker;
  const LV2_Feature* pluginFeatures[] = {uris.mapFeature(), worker.feature(), nullptr};
  Lv2EditorHost host;
  host.pluginFeatures = pluginFeatures;
  std::string error;
  ASSERT_TRUE(host.load(error)) << error;
  worker.attach(host.plugin.get(), &Lv2Plugin::kWorkerInterface);
  LV2UI_Touch touch{&host, &Lv2EditorHost::touch};
  const LV2_Feature parent{LV2_UI__parent, window.parentHandle()},
      touchFeature{LV2_UI__touch, &touch};
  // With instance access and the URID map, or with neither.
  const auto openEditor = [&](Lv2Plugin* plugin) {
    const LV2_Feature instance{LV2_INSTANCE_ACCESS_URI, plugin};
    const LV2_Feature* features[] = {&parent, &touchFeature, plugin ? &instance : nullptr,
                                     uris.mapFeature(), nullptr};
    LV2UI_Widget widget = nullptr;
    return std::unique_ptr<Lv2Editor>(
        Lv2Editor::create(&Lv2EditorHost::write, &host, features, &widget));
  };
  auto editor = openEditor(host.plugin.get());
  ASSERT_TRUE(editor);
  EXPECT_TRUE(static_cast<CoreHost&>(*host.plugin).ownSetFileChosen(kKemar));
  ASSERT_EQ(host.atoms.size(), 1u);
  EXPECT_EQ(host.atoms[0].port, kEventsInPort);
  EXPECT_EQ(host.atoms[0].format, uris.urid(LV2_ATOM__eventTransfer));
  float last = 0.0f;
  EXPECT_EQ(host.heardOf(kParamOwnSet, &last), "bpe") << "own set switched on in one gesture";
  EXPECT_EQ(last, 1.0f);
  EXPECT_EQ(host.heard().back().index, kParamOwnSet) << "own set switched on last";
  // A patch:Set object naming the file (the plug-in's side of it, through the worker, is
  // lv2_adapter_test's).
  const auto* atom = reinterpret_cast<const LV2_Atom_Object*>(host.atoms[0].bytes.data());
  EXPECT_EQ(atom->atom.type, uris.urid(LV2_ATOM__Object));
  EXPECT_EQ(atom->body.otype, uris.urid(LV2_PATCH__Set));
  EXPECT_NE(host.atoms[0].bytes.find(kKemar), std::string::npos);
  editor.reset();

  host.atoms.clear();
  editor = openEditor(nullptr);
  ASSERT_TRUE(editor);
  EXPECT_FALSE(editor->ownSetFileChosen(kKemar));
  const LV2_Feature* mapOnly[] = {uris.mapFeature(), nullptr};
  std::unique_ptr<Lv2Plugin> withoutWorker(Lv2Plugin::create(44100.0, mapOnly));
  ASSERT_TRUE(withoutWorker);
  editor = openEditor(withoutWorker.get());
  ASSERT_TRUE(editor);
  EXPECT_FALSE(static_cast<CoreHost&>(*withoutWorker).ownSetFileChosen(kKemar));
  EXPECT_TRUE(host.atoms.empty());
  editor.reset();  // before the plug-ins it shows go
}

}  // namespace
