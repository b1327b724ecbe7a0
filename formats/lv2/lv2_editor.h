// The LV2 editor (an ui:X11UI): the plug-in's panel in a child of the host's window. The host
// keeps the window it is handed as the UI's widget until the UI goes, so it is handed a
// container window of the editor's own, in which the panel opens, and reopens at a new
// size (a size chosen on the panel, a new ui:scaleFactor through the options interface):
// the container takes the new size and the host is asked for it through ui:resize. Its
// gestures reach the host as control port writes, framed by touch when the host offers it;
// a SOFA file dropped on the panel reaches the plug-in through the host as a patch:Set of
// the own set file on the control port, and "own set" is switched on.
//
// With instance access (the host runs the editor beside the plug-in, as jalv and Ardour
// do) it opens the plug-in's own panel, which shows the live motion, the meter and the
// spectra. Without it the editor keeps a core of its own that follows the host's port
// values: the same panel and controls, with no audio to show.
#pragma once

#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>

#include "core_host.h"
#include "gui/platform_window.h"
#include "lv2_plugin.h"
#include "lv2_ports.h"

namespace panner {
class PanelEditor;
class QuendralCore;
}  // namespace panner

namespace panner::lv2 {

class Lv2Editor final : public EditListener, public CoreHost {
 public:
  // Null when the panel cannot be opened; `widget` receives the panel's X11 window.
  static Lv2Editor* create(LV2UI_Write_Function write, LV2UI_Controller controller,
                           const LV2_Feature* const* features, LV2UI_Widget* widget);
  ~Lv2Editor();

  void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
  // Redraws and handles the window's events; 0 while the editor stays open.
  int idle();
  // The UI's options interface: a host that sets ui:scaleFactor anew while the panel is
  // open has it follow; other options are not taken. Returns LV2_Options_Status bits.
  uint32_t setOptions(const LV2_Options_Option* options);

  // The panel's gestures (from the plug-in's panel through EditListener, or from the
  // editor's own core through CoreHost): port writes and touch.
  void editBegan(int32_t index) override;
  void editPerformed(int32_t index, float value) override;
  void editEnded(int32_t index) override;
  bool hostTempo(double& beatsPerMinute) override;
  // The panel's chosen file (EditListener from the plug-in's panel, CoreHost from the
  // editor's own core). False without the host's URID map, or when the plug-in has no
  // host worker to load it: then the panel loads it.
  bool ownSetFileChosen(const char* path) override;

 private:
  Lv2Editor(LV2UI_Write_Function write, LV2UI_Controller controller);
  bool open(const LV2_Feature* const* features, LV2UI_Widget* widget);
  void writePort(int32_t parameter, float portValue);
  // The envelope editor changes points without telling (as in the other formats); the
  // editor's own core has no other way to reach the plug-in, so it writes what changed.
  void writeChangedEnvelopePoints();

  LV2UI_Write_Function write;
  LV2UI_Controller controller;
  const LV2UI_Touch* touch = nullptr;
  const LV2_URID_Map* map = nullptr;
  const LV2UI_Resize* resize = nullptr;
  // The widget the host keeps; the panel's windows come and go inside it.
  std::unique_ptr<VSTGUI::ContainerWindow> container;
  Lv2Plugin* plugin = nullptr;        // with instance access
  std::unique_ptr<QuendralCore> own;  // without it
  QuendralCore* shown = nullptr;      // the core whose panel is open
  PanelEditor* panel = nullptr;
  float portValue[kNumControlPorts] = {};  // as last written or reported
  bool dragging[kNumControlPorts] = {};
};

}  // namespace panner::lv2
