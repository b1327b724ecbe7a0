#include "lv2_editor.h"

#include <lv2/atom/forge.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/patch/patch.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "editor/panel_editor.h"
#include "gui/platform_window.h"
#include "lv2_features.h"
#include "lv2_uris.h"
#include "quendral_core.h"

namespace panner::lv2 {

namespace {

const void* featureData(const LV2_Feature* const* features, const char* uri) {
  return findFeature<void>(features, uri);
}

// The ui:scaleFactor among `options` (a float), or 0 when they give none.
double scaleFactorOf(const LV2_Options_Option* options, const LV2_URID_Map* map) {
  if (!options || !map) return 0.0;
  const LV2_URID scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  for (const LV2_Options_Option* o = options; o->key != 0; ++o) {
    if (o->key == scaleFactor && o->type == floatType && o->size == sizeof(float) && o->value)
      return *static_cast<const float*>(o->value);
  }
  return 0.0;
}

}  // namespace

Lv2Editor* Lv2Editor::create(LV2UI_Write_Function write, LV2UI_Controller controller,
                             const LV2_Feature* const* features, LV2UI_Widget* widget) {
  if (!write) return nullptr;
  Lv2Editor* editor = new (std::nothrow) Lv2Editor(write, controller);
  if (editor && !editor->open(features, widget)) {
    delete editor;
    return nullptr;
  }
  return editor;
}

Lv2Editor::Lv2Editor(LV2UI_Write_Function writeFunction, LV2UI_Controller hostController)
    : write(writeFunction), controller(hostController) {}

bool Lv2Editor::open(const LV2_Feature* const* features, LV2UI_Widget* widget) {
  touch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
  map = static_cast<const LV2_URID_Map*>(featureData(features, LV2_URID__map));
  auto* instance =
      static_cast<Lv2Plugin*>(const_cast<void*>(featureData(features, LV2_INSTANCE_ACCESS_URI)));
  // The plug-in's panel serves one editor at a time; a second one gets a core of its own.
  if (instance && instance->core().editor() && !instance->core().editor()->isOpen()) {
    plugin = instance;
    shown = &instance->core();
  } else {
    own.reset(new (std::nothrow) QuendralCore(this));
    if (!own || !own->constructed()) return false;
    shown = own.get();
  }
  for (int32_t p = 0; p < kNumControlPorts; ++p)
    portValue[p] = portValueFromNormalised(p, shown->getParameter(p));

  panel = shown->editor();
  if (!panel) return false;
  // Without a parent the container is a top-level window.
  void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
  resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
  panel->setHostScale(scaleFactorOf(
      static_cast<const LV2_Options_Option*>(featureData(features, LV2_OPTIONS__options)), map));
  // No display, or a parent that is no window: the host gets no editor rather than an
  // empty one.
  container = VSTGUI::createContainerWindow(parent, panel->windowWidth(), panel->windowHeight());
  if (!container || !container->isValid()) {
    container.reset();
    panel->setHostScale(0.0);
    return false;
  }
  void* inside = reinterpret_cast<void*>(container->nativeHandle());
  if (!panel->open(inside) || !panel->getFrame() || !panel->getFrame()->getPlatformWindow() ||
      !panel->getFrame()->getPlatformWindow()->isValid()) {
    panel->close();
    panel->setHostScale(0.0);
    container.reset();
    return false;
  }
  // A new scale: the container takes the panel's new size, and the host is asked to
  // give its window that size too; the panel then reopens inside.
  panel->setResizeRequest([this](int32_t width, int32_t height) {
    container->resize(width, height);
    return resize != nullptr && resize->ui_resize(resize->handle, width, height) == 0;
  });
  if (plugin) plugin->setEditListener(this);
  *widget = reinterpret_cast<LV2UI_Widget>(container->nativeHandle());
  if (resize) resize->ui_resize(resize->handle, panel->windowWidth(), panel->windowHeight());
  return true;
}

uint32_t Lv2Editor::setOptions(const LV2_Options_Option* options) {
  if (!options || !map) return LV2_OPTIONS_ERR_UNKNOWN;
  uint32_t status = LV2_OPTIONS_SUCCESS;
  const LV2_URID scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
  for (const LV2_Options_Option* o = options; o->key != 0; ++o) {
    if (o->key != scaleFactor) {
      status |= LV2_OPTIONS_ERR_BAD_KEY;
      continue;
    }
    const LV2_Options_Option single[2] = {*o, {}};
    const double value = scaleFactorOf(single, map);
    if (value > 0.0 && panel) {
      panel->setHostScale(value);  // the open panel follows at its next idle
    } else {
      status |= LV2_OPTIONS_ERR_BAD_VALUE;
    }
  }
  return status;
}

Lv2Editor::~Lv2Editor() {
  if (plugin) plugin->setEditListener(nullptr);
  if (panel) {
    panel->close();
    panel->setResizeRequest(nullptr);
    panel->setHostScale(0.0);
  }
  container.reset();  // after the panel's window inside it
}

void Lv2Editor::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  if (format != 0 || size != sizeof(float) || !buffer) return;
  const int32_t parameter = parameterOfPort(port);
  if (parameter < 0) return;
  // While the user drags a control, the host reports back what the panel wrote, possibly
  // late: the panel stays with the user's hand.
  if (dragging[parameter]) return;
  const float value = *static_cast<const float*>(buffer);
  portValue[parameter] = value;
  // The plug-in's own panel reads the plug-in; the editor's own core follows the host.
  if (own) own->setParameter(parameter, normalisedFromPortValue(parameter, value));
}

int Lv2Editor::idle() {
  if (panel) panel->idle();
  if (own) writeChangedEnvelopePoints();
  return 0;
}

void Lv2Editor::writeChangedEnvelopePoints() {
  for (int32_t p = kParamPointValue1; p <= kParamPointTime8; ++p) {
    const float value = portValueFromNormalised(p, own->getParameter(p));
    if (value != portValue[p]) writePort(p, value);
  }
}

void Lv2Editor::writePort(int32_t parameter, float value) {
  portValue[parameter] = value;
  write(controller, controlPortOf(parameter), sizeof value, 0, &value);
}

void Lv2Editor::editBegan(int32_t index) {
  if (index < 0 || index >= kNumControlPorts) return;
  dragging[index] = true;
  if (touch) touch->touch(touch->handle, controlPortOf(index), true);
}

void Lv2Editor::editPerformed(int32_t index, float value) {
  if (index < 0 || index >= kNumControlPorts) return;
  writePort(index, portValueFromNormalised(index, value));
}

void Lv2Editor::editEnded(int32_t index) {
  if (index < 0 || index >= kNumControlPorts) return;
  dragging[index] = false;
  if (touch) touch->touch(touch->handle, controlPortOf(index), false);
}

bool Lv2Editor::ownSetFileChosen(const char* path) {
  // A plug-in that cannot load files through its host (no worker there) would refuse the
  // file; its panel then loads it on a thread of its own, as in the other formats, and
  // shows the outcome.
  if (!map || !path || (plugin && !plugin->loadsOwnSetFiles())) return false;
  const auto urid = [this](const char* uri) { return map->map(map->handle, uri); };
  // The plug-in refuses a longer path itself, with a reason it shows; this only sizes the
  // message so that such a path still gets there.
  std::vector<uint8_t> buffer(std::strlen(path) + 256);
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, const_cast<LV2_URID_Map*>(map));
  lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
  LV2_Atom_Forge_Frame frame;
  const LV2_Atom_Forge_Ref set = lv2_atom_forge_object(&forge, &frame, 0, urid(LV2_PATCH__Set));
  lv2_atom_forge_key(&forge, urid(LV2_PATCH__property));
  lv2_atom_forge_urid(&forge, urid(kSofaFileUri));
  lv2_atom_forge_key(&forge, urid(LV2_PATCH__value));
  lv2_atom_forge_path(&forge, path, static_cast<uint32_t>(std::strlen(path)));
  lv2_atom_forge_pop(&forge, &frame);
  if (!set) return false;
  const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer.data());
  write(controller, kEventsInPort, static_cast<uint32_t>(sizeof(LV2_Atom) + atom->size),
        urid(LV2_ATOM__eventTransfer), atom);
  // The loaded set plays once it is there; until then the built-in one goes on.
  editBegan(kParamOwnSet);
  writePort(kParamOwnSet, 1.0f);
  if (own) own->setParameter(kParamOwnSet, 1.0f);
  editEnded(kParamOwnSet);
  return true;
}

// The editor's own core plays no audio: no tempo to follow.
bool Lv2Editor::hostTempo(double&) { return false; }

}  // namespace panner::lv2
