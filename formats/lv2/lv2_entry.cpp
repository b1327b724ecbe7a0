// The LV2 entry points of quendral.so: the plug-in's descriptor (lv2_descriptor) and its
// editor's (lv2ui_descriptor). One binary holds both, so the editor can reach the plug-in
// instance a host hands it through instance access.
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>

#include <cstring>

#include "lv2_editor.h"
#include "lv2_plugin.h"
#include "lv2_uris.h"
#include "own_set_file_extension.h"

namespace panner::lv2 {
namespace {

Lv2Plugin* pluginOf(LV2_Handle handle) { return static_cast<Lv2Plugin*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
  return Lv2Plugin::create(rate, features);
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
  pluginOf(handle)->connectPort(port, data);
}

void activate(LV2_Handle handle) { pluginOf(handle)->activate(); }

void run(LV2_Handle handle, uint32_t frames) { pluginOf(handle)->run(frames); }

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) { delete pluginOf(handle); }

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store,
                      LV2_State_Handle storeHandle, uint32_t, const LV2_Feature* const* features) {
  return pluginOf(handle)->save(store, storeHandle, features);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle retrieveHandle, uint32_t,
                         const LV2_Feature* const* features) {
  return pluginOf(handle)->restore(retrieve, retrieveHandle, features);
}

const LV2_State_Interface kStateInterface = {save, restore};

// quendral's own tools hand it a SOFA file this way (own_set_file_extension.h).
const panner::own_set_file::OwnSetFileCalls kOwnSetFile = {
    [](const void* handle, const char* path, char* answer, uint32_t capacity) {
      return handle &&
             pluginOf(const_cast<void*>(handle))->core().loadOwnSetFile(path, answer, capacity);
    },
    [](const void* handle, char* line, uint32_t capacity) {
      if (handle) pluginOf(const_cast<void*>(handle))->core().describeOwnSet(line, capacity);
    }};

const void* extensionData(const char* uri) {
  if (std::strcmp(uri, LV2_STATE__interface) == 0) return &kStateInterface;
  if (std::strcmp(uri, panner::own_set_file::kLv2ExtensionUri) == 0) return &kOwnSetFile;
  if (std::strcmp(uri, LV2_WORKER__interface) == 0) return &Lv2Plugin::kWorkerInterface;
  return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate,
                                    run,        deactivate,  cleanup,     extensionData};

Lv2Editor* editorOf(LV2UI_Handle handle) { return static_cast<Lv2Editor*>(handle); }

LV2UI_Handle instantiateEditor(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                               LV2UI_Write_Function write, LV2UI_Controller controller,
                               LV2UI_Widget* widget, const LV2_Feature* const* features) {
  if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0) return nullptr;
  return Lv2Editor::create(write, controller, features, widget);
}

void cleanupEditor(LV2UI_Handle handle) { delete editorOf(handle); }

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
  editorOf(handle)->portEvent(port, size, format, buffer);
}

int idleEditor(LV2UI_Handle handle) { return editorOf(handle)->idle(); }

const LV2UI_Idle_Interface kIdleInterface = {idleEditor};

uint32_t getEditorOptions(LV2_Handle, LV2_Options_Option*) { return LV2_OPTIONS_ERR_UNKNOWN; }

uint32_t setEditorOptions(LV2_Handle handle, const LV2_Options_Option* options) {
  return editorOf(handle)->setOptions(options);
}

const LV2_Options_Interface kEditorOptions = {getEditorOptions, setEditorOptions};

const void* editorExtensionData(const char* uri) {
  if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdleInterface;
  if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &kEditorOptions;
  return nullptr;
}

const LV2UI_Descriptor kEditorDescriptor = {kUiUri, instantiateEditor, cleanupEditor, portEvent,
                                            editorExtensionData};

}  // namespace
}  // namespace panner::lv2

extern "C" {

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return index == 0 ? &panner::lv2::kDescriptor : nullptr;
}

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? &panner::lv2::kEditorDescriptor : nullptr;
}

}  // extern "C"
