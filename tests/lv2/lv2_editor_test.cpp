// What only the LV2 editor does, in a host window on a private X server (the click, the
// knob gesture and the host's changes, with and without instance access, are in
// tests/editor/editor_window_test.cpp): with instance access the panel follows the
// plug-in, not the port reports, and lets go of it when it closes; without it the panel's
// own core writes every edit, the envelope's too, since it has no other way to reach the
// plug-in. A SOFA file chosen in the panel goes to the host as a patch:Set.
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/patch/patch.h>
#include <lv2/ui/ui.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lv2_editor.h"
#include "lv2_host_features.h"
#include "lv2_plugin.h"
#include "lv2_ports.h"
#include "required_package.h"
#include "xvfb_suite.h"

namespace {

using namespace panner;
using namespace panner::lv2;

// What the host received from the editor: the last value written to each control port, the
// atoms written to the event port, and the touches.
struct HostSide {
  std::map<uint32_t, float> written;
  std::vector<std::vector<uint8_t>> atoms;
  std::vector<uint32_t> atomPorts, atomFormats;
  std::vector<std::pair<uint32_t, bool>> touches;

  static void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                    const void* buffer) {
    auto* self = static_cast<HostSide*>(controller);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    if (format == 0 && size == sizeof(float)) {
      self->written[port] = *static_cast<const float*>(buffer);
    } else if (format != 0) {
      self->atoms.emplace_back(bytes, bytes + size);
      self->atomPorts.push_back(port);
      self->atomFormats.push_back(format);
    }
  }
  static void touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    static_cast<HostSide*>(handle)->touches.emplace_back(port, grabbed);
  }
};

class Lv2EditorWindow : public quendral_test::XvfbSuite {
 protected:
  void SetUp() override {
    QUENDRAL_REQUIRE_PACKAGE(server != nullptr, "Xvfb (Debian: xvfb)");
    QUENDRAL_REQUIRE_PACKAGE(quendral_test::xdotoolPresent(), "xdotool (Debian: xdotool)");
    std::string error;
    ASSERT_TRUE(window.open(435, 330, error)) << error;
  }
  void TearDown() override {
    editor.reset();
    window.close();
  }

  // Opens the editor in the host window, with the plug-in instance when one is given.
  void openEditor(Lv2Plugin* instance, const LV2_Feature* map = nullptr) {
    touchFeature = {&host, &HostSide::touch};
    features.clear();
    parentFeature = {LV2_UI__parent, window.parentHandle()};
    touchLv2 = {LV2_UI__touch, &touchFeature};
    instanceFeature = {LV2_INSTANCE_ACCESS_URI, instance};
    features.push_back(&parentFeature);
    features.push_back(&touchLv2);
    if (instance) features.push_back(&instanceFeature);
    if (map) features.push_back(map);
    features.push_back(nullptr);
    LV2UI_Widget widget = nullptr;
    editor.reset(Lv2Editor::create(&HostSide::write, &host, features.data(), &widget));
    ASSERT_TRUE(editor);
    EXPECT_NE(widget, nullptr);
    idleFor(100);
  }

  void idleFor(int ms) {
    for (int t = 0; t < ms; t += 10) {
      editor->idle();
      XSync(window.display(), False);
      usleep(10000);
    }
  }

  void xdotool(const std::string& commands) {
    ASSERT_NO_FATAL_FAILURE(quendral_test::playXdotool(commands, [&] { editor->idle(); }));
    idleFor(120);
  }

  x11host::HostWindow window;
  HostSide host;
  LV2UI_Touch touchFeature{};
  LV2_Feature parentFeature{}, touchLv2{}, instanceFeature{};
  std::vector<const LV2_Feature*> features;
  std::unique_ptr<Lv2Editor> editor;
};

TEST_F(Lv2EditorWindow, WithInstanceAccessThePanelFollowsThePluginNotThePorts) {
  std::unique_ptr<Lv2Plugin> plugin(Lv2Plugin::create(44100.0, nullptr));
  ASSERT_TRUE(plugin);
  openEditor(plugin.get());
  const float gain = 3.0f;
  editor->portEvent(kFirstControlPort + kParamGain, sizeof gain, 0, &gain);
  EXPECT_EQ(plugin->core().getParameter(kParamGain), 0.5f);
  // The editor lets go of the plug-in when it closes; the plug-in then edits alone.
  editor.reset();
  plugin->core().setParameterAutomated(kParamGain, 0.75f);
  EXPECT_TRUE(host.written.empty());
}

TEST_F(Lv2EditorWindow, WithoutInstanceAccessTheEnvelopesEditsAreWrittenToo) {
  openEditor(nullptr);
  xdotool("mousemove 310 80 click 1");  // the envelope editor tells no host of its own
  bool pointWritten = false;
  for (int32_t p = kParamPointValue1; p <= kParamPointTime8; ++p)
    pointWritten = pointWritten || host.written.count(kFirstControlPort + p) > 0;
  EXPECT_TRUE(pointWritten);
}

// The panel hands a dropped file to its host (CoreHost::ownSetFileChosen): the plug-in's
// panel to the plug-in, which passes it to the editor, which sends it to the host as a
// patch:Set on the control port and switches "own set" on, for the host to deliver as it
// delivers what an editor writes.
TEST_F(Lv2EditorWindow, AFileChosenInThePanelGoesToTheHostAsAPatchSet) {
  constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
  QUENDRAL_REQUIRE_PACKAGE(access(kKemar, R_OK) == 0,
                           "the MIT KEMAR SOFA file (Debian: libmysofa-dev)");
  quendral_lv2_test::UridMap uris;
  quendral_lv2_test::HostWorker worker;
  const LV2_Feature* pluginFeatures[] = {uris.mapFeature(), worker.feature(), nullptr};
  std::unique_ptr<Lv2Plugin> plugin(Lv2Plugin::create(44100.0, pluginFeatures));
  ASSERT_TRUE(plugin);
  worker.attach(plugin.get(), &Lv2Plugin::kWorkerInterface);
  openEditor(plugin.get(), uris.mapFeature());
  CoreHost& panelHost = *plugin;  // whom the plug-in's panel tells
  EXPECT_TRUE(panelHost.ownSetFileChosen(kKemar));

  ASSERT_EQ(host.atoms.size(), 1u);
  EXPECT_EQ(host.atomPorts[0], kEventsInPort);
  EXPECT_EQ(host.atomFormats[0], uris.urid(LV2_ATOM__eventTransfer));
  EXPECT_EQ(host.written[kFirstControlPort + kParamOwnSet], 1.0f);
  EXPECT_EQ(host.touches.front(), std::make_pair(kFirstControlPort + kParamOwnSet, true));
  EXPECT_EQ(host.touches.back(), std::make_pair(kFirstControlPort + kParamOwnSet, false));

  // A patch:Set object naming the file (the plug-in's side of it, through the worker, is
  // lv2_adapter_test's).
  const auto* atom = reinterpret_cast<const LV2_Atom_Object*>(host.atoms[0].data());
  EXPECT_EQ(atom->atom.type, uris.urid(LV2_ATOM__Object));
  EXPECT_EQ(atom->body.otype, uris.urid(LV2_PATCH__Set));
  const std::string bytes(host.atoms[0].begin(), host.atoms[0].end());
  EXPECT_NE(bytes.find(kKemar), std::string::npos);

  // An editor whose host gives no URID map cannot send it, and a plug-in whose host has no
  // worker could not load it: the panel then loads the file itself, as in the other
  // formats, and shows how that went.
  host.atoms.clear();
  openEditor(nullptr);
  EXPECT_FALSE(editor->ownSetFileChosen(kKemar));
  editor.reset();
  const LV2_Feature* mapOnly[] = {uris.mapFeature(), nullptr};
  std::unique_ptr<Lv2Plugin> withoutWorker(Lv2Plugin::create(44100.0, mapOnly));
  ASSERT_TRUE(withoutWorker);
  openEditor(withoutWorker.get(), uris.mapFeature());
  EXPECT_FALSE(static_cast<CoreHost&>(*withoutWorker).ownSetFileChosen(kKemar));
  EXPECT_TRUE(host.atoms.empty());
  editor.reset();  // before the plug-ins it shows go
}

}  // namespace
