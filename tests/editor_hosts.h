// The host's side of the editor per format behind one interface: open it in a parent window
// (an HWND on Windows, without LV2), idle it as that format's hosts do, and tell what the host
// heard. Parameter values are normalised (0..1).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "clap_plugin.h"
#include "plugin_host.h"
#include "vst3_plugin.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <unistd.h>

#include "lv2/lv2_host_features.h"
#include "lv2_editor.h"
#include "lv2_plugin.h"
#include "lv2_ports.h"
#endif

namespace quendral_test {

// A host's UI thread between idle calls: a few window messages delivered, then a sleep.
inline void hostPause(int ms) {
#ifdef _WIN32
  MSG message;
  for (int n = 0; n < 4 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++n) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  Sleep(static_cast<DWORD>(ms));
#else
  usleep(static_cast<useconds_t>(ms) * 1000);
#endif
}

// One thing the host heard: a gesture's begin ('b') or end ('e'), or an edit ('p').
struct HostEdit {
  char kind;
  int32_t index;
  float value;
};

// A drag as the host must hear it: one begin, edits, one end (in that order if kept).
inline void expectOneGesture(const std::string& seen, bool ordered) {
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 'b'), 1) << seen;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 'e'), 1) << seen;
  EXPECT_GT(std::count(seen.begin(), seen.end(), 'p'), 0) << seen;
  if (ordered) {
    EXPECT_EQ(seen.front(), 'b') << seen;
    EXPECT_EQ(seen.back(), 'e') << seen;
  }
}

class EditorHost {
 public:
  virtual ~EditorHost() = default;
  virtual bool load(std::string& error) = 0;
  virtual bool editorSize(int& width, int& height) = 0;  // as the format tells it
  // The host's scale for the editor (VST3's content scale, CLAP's gui scale, LV2's
  // ui:scaleFactor option); false for VST2, which has none.
  virtual bool setScale(double scale) { return (void)scale, false; }
  virtual bool open(void* parent, std::string& error) = 0;
  virtual void idle(int ms) = 0;  // the host's event loop for `ms` milliseconds
  virtual void close() = 0;
  virtual void setParameter(int32_t index, float value) = 0;  // the host's automation
  virtual float parameter(int32_t index) = 0;
  // What the host heard since the last clear; `ordered` is false where begins, edits and
  // ends are not kept in one order (the VST2 recorder).
  virtual std::vector<HostEdit> heard() = 0;
  virtual bool ordered() const { return true; }
  virtual void clear() = 0;

  // What the host heard of one parameter as b, p and e; `last` gets the last value edited.
  std::string heardOf(int32_t index, float* last = nullptr) {
    std::string kinds;
    for (const HostEdit& e : heard()) {
      if (e.index != index) continue;
      kinds += e.kind;
      if (e.kind == 'p' && last) *last = e.value;
    }
    return kinds;
  }
};

// Runs the host's loop until `done` holds, for up to `ms` milliseconds; whether it held.
inline bool idleUntil(EditorHost& host, const std::function<bool()>& done, int ms = 5000) {
  for (int t = 0; t < ms && !done(); t += 20) host.idle(20);
  return done();
}

// A row of the tests that run through every format: its name and its host side.
struct EditorFormat {
  const char* name;
  std::unique_ptr<EditorHost> (*make)();
  friend void PrintTo(const EditorFormat& format, std::ostream* out) { *out << format.name; }
};
template <class Host, bool... arguments>
std::unique_ptr<EditorHost> make() {
  return std::unique_ptr<EditorHost>(new Host(arguments...));
}
inline std::string formatName(const ::testing::TestParamInfo<EditorFormat>& row) {
  return row.param.name;
}

class Vst2EditorHost : public EditorHost {
 public:
  bool load(std::string& error) override {
    host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
    if (!host) return false;
    host->open(44100.0, 512);
    return (host->effect()->flags & effFlagsHasEditor) != 0 || (error = "no editor flag", false);
  }
  bool editorSize(int& width, int& height) override {
    ERect rect{};
    if (!host->editorRect(rect)) return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return true;
  }
  bool open(void* parent, std::string& error) override {
    return host->openEditor(parent) || (error = "effEditOpen refused", false);
  }
  void idle(int ms) override {
    for (int t = 0; t < ms; t += 10) {
      host->idleEditor();
      hostPause(10);
    }
  }
  void close() override { host->closeEditor(); }
  void setParameter(int32_t index, float value) override { host->setParameter(index, value); }
  float parameter(int32_t index) override { return host->getParameter(index); }
  std::vector<HostEdit> heard() override {
    std::vector<HostEdit> all;
    for (int32_t i : host->recorder().beginEdits()) all.push_back({'b', i, 0.0f});
    for (const auto& call : host->recorder().automateCalls())
      all.push_back({'p', call.index, call.value});
    for (int32_t i : host->recorder().endEdits()) all.push_back({'e', i, 0.0f});
    return all;
  }
  bool ordered() const override { return false; }
  void clear() override { host->recorder().clear(); }

  std::unique_ptr<vsthost::PluginHost> host;
};

class Vst3EditorHost : public EditorHost {
 public:
  bool load(std::string& error) override {
    plugin = vst3host::Vst3Plugin::load(QUENDRAL_VST3_BUNDLE, error);
    return plugin && plugin->open(44100.0, 512, error);
  }
  bool editorSize(int& width, int& height) override {
    vst3::ViewRect rect{};
    if (!plugin->editorSize(rect)) return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return true;
  }
  bool setScale(double scale) override {
    return plugin->setContentScale(static_cast<float>(scale));
  }
  bool open(void* parent, std::string& error) override { return plugin->openEditor(parent, error); }
  void idle(int ms) override {
#ifdef _WIN32
    for (int t = 0; t < ms; t += 10) hostPause(10);  // the view's own timer idles it
#else
    plugin->pumpEditor(ms);
#endif
  }
  void close() override { plugin->closeEditor(); }
  void setParameter(int32_t index, float value) override { plugin->setParameter(index, value); }
  float parameter(int32_t index) override {
    return static_cast<float>(plugin->getParameter(index));
  }
  std::vector<HostEdit> heard() override {
    std::vector<HostEdit> all;
    for (const vst3host::EditCall& call : plugin->handler().edits()) {
      const char kind = call.kind == vst3host::EditCall::kBegin     ? 'b'
                        : call.kind == vst3host::EditCall::kPerform ? 'p'
                                                                    : 'e';
      all.push_back({kind, static_cast<int32_t>(call.id), static_cast<float>(call.value)});
    }
    return all;
  }
  void clear() override { plugin->handler().clear(); }

  std::unique_ptr<vst3host::Vst3Plugin> plugin;
};

#ifndef _WIN32
// With instance access the panel edits the plug-in itself; without it the panel's own core
// follows the port values the host reports, and the host writes the panel's to the ports.
class Lv2EditorHost : public EditorHost {
 public:
  explicit Lv2EditorHost(bool withInstance = true) : instanceAccess(withInstance) {}
  ~Lv2EditorHost() override { close(); }  // the editor before the plug-in it shows
  bool load(std::string& error) override {
    plugin.reset(panner::lv2::Lv2Plugin::create(44100.0, pluginFeatures));
    return plugin || (error = "the LV2 plug-in was not created", false);
  }
  bool editorSize(int& width, int& height) override {
    width = 435;  // no size query in LV2: the host sizes its window after the widget
    height = 330;
    return true;
  }
  bool setScale(double scale) override {
    scaleFactor = static_cast<float>(scale);
    return true;
  }
  bool open(void* parent, std::string& error) override {
    touchFeature = {this, &Lv2EditorHost::touch};
    resizeFeature = {this, &Lv2EditorHost::uiResize};
    LV2_Options_Option options[2] = {{LV2_OPTIONS_INSTANCE, 0, uris.urid(LV2_UI__scaleFactor),
                                      sizeof(float), uris.urid(LV2_ATOM__Float), &scaleFactor}};
    const LV2_Feature given[] = {{LV2_UI__parent, parent},
                                 {LV2_UI__touch, &touchFeature},
                                 {LV2_UI__resize, &resizeFeature},
                                 {LV2_INSTANCE_ACCESS_URI, plugin.get()},
                                 *uris.mapFeature(),
                                 {LV2_OPTIONS__options, options}};
    // Without instance access the list ends early: a host of few features, no URID map.
    const LV2_Feature* features[] = {
        &given[0], &given[1], &given[2], instanceAccess ? &given[3] : nullptr,
        &given[4], &given[5], nullptr};
    LV2UI_Widget widget = nullptr;
    editor.reset(panner::lv2::Lv2Editor::create(&Lv2EditorHost::write, this, features, &widget));
    return (editor && widget) || (error = "the LV2 editor did not open", false);
  }
  void idle(int ms) override {
    for (int t = 0; t < ms && editor; t += 10) {
      editor->idle();
      hostPause(10);
    }
  }
  void close() override { editor.reset(); }
  void setParameter(int32_t index, float value) override {
    plugin->core().setParameter(index, value);
    const float port = panner::lv2::portValueFromNormalised(index, value);
    if (editor) editor->portEvent(panner::lv2::kFirstControlPort + index, sizeof port, 0, &port);
  }
  float parameter(int32_t index) override { return plugin->core().getParameter(index); }
  std::vector<HostEdit> heard() override { return edits; }
  void clear() override { edits.clear(); }

  static void write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                    const void* buffer) {
    auto* self = static_cast<Lv2EditorHost*>(controller);
    if (format != 0)
      self->atoms.push_back({port, format, {static_cast<const char*>(buffer), size}});
    if (format != 0 || size != sizeof(float)) return;
    const auto index = static_cast<int32_t>(port - panner::lv2::kFirstControlPort);
    const float value =
        panner::lv2::normalisedFromPortValue(index, *static_cast<const float*>(buffer));
    self->edits.push_back({'p', index, value});
    self->plugin->core().setParameter(index, value);  // the host's port, read at the next run
  }
  static void touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    static_cast<Lv2EditorHost*>(handle)->edits.push_back(
        {grabbed ? 'b' : 'e', static_cast<int32_t>(port - panner::lv2::kFirstControlPort), 0.0f});
  }

  // The size the UI asks for (the test resizes the host's window itself).
  static int uiResize(LV2UI_Feature_Handle handle, int width, int height) {
    static_cast<Lv2EditorHost*>(handle)->resizeAsked = {width, height};
    return 0;
  }
  bool instanceAccess;
  const LV2_Feature* const* pluginFeatures = nullptr;  // the plug-in's features (none: no map)
  struct Atom {
    uint32_t port, format;
    std::string bytes;
  };
  std::vector<Atom> atoms;  // what the editor wrote to atom ports
  float scaleFactor = 0.0f;
  quendral_lv2_test::UridMap uris;
  std::unique_ptr<panner::lv2::Lv2Plugin> plugin;
  std::unique_ptr<panner::lv2::Lv2Editor> editor;
  std::vector<HostEdit> edits;
  LV2UI_Touch touchFeature{};
  LV2UI_Resize resizeFeature{};
  std::pair<int, int> resizeAsked{0, 0};  // the last size the UI asked for
};

#endif

class ClapEditorHost : public EditorHost {
 public:
  bool load(std::string& error) override {
    plugin = claphost::ClapPlugin::load(QUENDRAL_CLAP_PATH, error);
    return plugin && plugin->activate(44100.0, 512, error);
  }
  bool editorSize(int& width, int& height) override {
    const auto* gui = plugin->extension<clapabi::PluginGui>(clapabi::kExtGui);
    uint32_t w = 0, h = 0;
    if (!gui || !gui->getSize(plugin->plugin(), &w, &h)) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
  }
  bool setScale(double scale) override { return plugin->setEditorScale(scale); }
  bool open(void* parent, std::string& error) override {
    uint32_t w = 0, h = 0;
    return plugin->openEditor(parent, w, h, error);
  }
  // The host's main thread (timers, the descriptor), and a block of audio every 10 ms.
  void idle(int ms) override {
    for (int t = 0; t < ms; t += 10) {
      hostPause(10);
      plugin->pumpMainThread(0);
      processBlock();
    }
  }
  // One block of the host's audio: the events it queued go in, the panel's edits come out.
  void processBlock() {
    std::vector<float> silence(512, 0.0f), left(512), right(512);
    const float* in[1] = {silence.data()};
    float* out[2] = {left.data(), right.data()};
    plugin->process(in, out, 512);
    for (const claphost::OutputEvent& e : plugin->takeOutputEvents()) {
      const int32_t index = plugin->indexOf(e.paramId);
      const char kind = e.type == clapabi::kEventParamGestureBegin ? 'b'
                        : e.type == clapabi::kEventParamGestureEnd ? 'e'
                                                                   : 'p';
      edits.push_back({kind, index, kind == 'p' ? normalised(index, e.value) : 0.0f});
    }
  }
  void close() override { plugin->closeEditor(); }
  void setParameter(int32_t index, float value) override {
    const claphost::ParamDescription& p = plugin->params()[static_cast<size_t>(index)];
    const double plain = p.minValue + value * (p.maxValue - p.minValue);
    plugin->setParam(p.id, (p.flags & clapabi::kParamIsStepped) ? std::round(plain) : plain);
    processBlock();  // a host's change reaches the plug-in with the next block, at once here
  }
  float parameter(int32_t index) override {
    return normalised(index, plugin->value(plugin->params()[static_cast<size_t>(index)].id));
  }
  std::vector<HostEdit> heard() override { return edits; }
  void clear() override { edits.clear(); }

  float normalised(int32_t index, double value) const {
    const claphost::ParamDescription& p = plugin->params()[static_cast<size_t>(index)];
    return static_cast<float>((value - p.minValue) / (p.maxValue - p.minValue));
  }

  std::unique_ptr<claphost::ClapPlugin> plugin;
  std::vector<HostEdit> edits;
};
}  // namespace quendral_test
