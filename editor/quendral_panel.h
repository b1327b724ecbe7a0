// QuendralPanel: the plug-in's 435 x 330 panel, the same in every format. Builds the
// twenty-one views of the panel's layout (panel_layout.h) when the host opens the window,
// turns control changes into parameter changes of the core, and at every idle pulls the
// core's state back into the controls: the angle, the elevation (set and in use), lfo speed
// and position, the envelope's position line, the meter, the response display, and every
// parameter the host changed since the last idle (automation, MIDI, program changes). Its
// bottom line says which response set plays and why a dropped file was refused; a click
// there switches to or from the own set. In the VST2 build, quendraleditor is its face.
#pragma once

#include <cstdint>
#include <string>

#include "editor/colour_set.h"
#include "editor/panel_editor.h"
#include "editor/panel_layout.h"
#include "editor/parameter_change_flags.h"
#include "editor/set_status_text.h"
#include "editor/spectrum_display_data.h"
#include "editor/tracking_status_text.h"
#include "gui/c_control.h"

namespace panner {

class VGBottomLabel;
class VGElevationSlider;
class VGEnvelope;
class VGGrommetKnob;
class VGSimpleLabel;
class VGSpect;
class VGTextButton;
class VGVertMeter;

class QuendralPanel : public PanelEditor, public VSTGUI::CControlListener {
 public:
  static constexpr int32_t kWidth = panel::kWidth;
  static constexpr int32_t kHeight = panel::kHeight;
  static constexpr int32_t kNumViews = panel::kNumViews;
  static constexpr int32_t kColourTag = panel::kColourTag;
  static constexpr int32_t kNoParamTag = panel::kNoParamTag;

  explicit QuendralPanel(QuendralCore& owner);
  ~QuendralPanel() override;

  // Builds the panel in a child of the host's window.
  bool open(void* parent) override;
  // Builds the panel without a window, drawing into an in-memory image (tests, benchmarks).
  bool openHeadless() override;
  void close() override;
  void idle() override;
  // May run on the audio thread: only notes the index; idle() updates the controls.
  void setParameter(int32_t index, float value) override;

  void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
  int32_t modifierClick(VSTGUI::CDrawContext* context, VSTGUI::CControl* control,
                        int32_t buttons) override;

  // The panel's views in the order they were added (null while closed).
  VSTGUI::CView* getView(int32_t index) const {
    return frame != nullptr && index >= 0 && index < kNumViews ? views[index] : nullptr;
  }
  const ColourSet& getColours() const { return colours; }
  const SpectrumDisplayData& getSpectrumData() const { return spectrumData; }

 private:
  bool build(void* parent, bool headless);
  // The view one row of the panel's layout describes, set to the plug-in's current state.
  VSTGUI::CView* makeView(const panel::ViewSpec& spec);
  VGGrommetKnob* makeKnob(const panel::ViewSpec& spec);
  VGSimpleLabel* makeNameLabel(const panel::ViewSpec& spec);
  VGTextButton* makeTextButton(const panel::ViewSpec& spec);
  VSTGUI::CView* makeAboutPicture(const panel::ViewSpec& spec);
  // Points the response display's data at the engine's published spectra.
  void connectSpectrumData();
  void applyHostChanges(uint32_t flags);
  void setFilterButtons(float filterNumber);
  // The status line follows the core: which set plays, a load, the last refusal.
  void refreshStatusLine();
  void statusLineClicked();
  void recolour();

  ColourSet colours = ColourSet::defaults();
  float colourButtonState = 0.0f;
  float curveScale = 0.5f;
  SpectrumDisplayData spectrumData;
  ParameterChangeFlags changed;
  bool inIdle = false;

  VSTGUI::CView* views[kNumViews] = {};
  VGSpect* spect = nullptr;
  VGEnvelope* envelope = nullptr;
  VGGrommetKnob* angleKnob = nullptr;
  VGGrommetKnob* gainKnob = nullptr;
  VGTextButton* filtOne = nullptr;
  VGTextButton* filtTwo = nullptr;
  VGTextButton* lfoSync = nullptr;
  VGGrommetKnob* positionKnob = nullptr;
  VGGrommetKnob* speedKnob = nullptr;
  VGGrommetKnob* divideKnob = nullptr;
  VGVertMeter* meter = nullptr;
  VGBottomLabel* statusLine = nullptr;
  VGElevationSlider* elevationSlider = nullptr;
  SetStatusText shownStatus;
  uint32_t dismissedRefusal = 0;  // the number of the refusal the user clicked away
  TrackingStatus tracking;        // while head tracking is on, the status line is its
  VGTextButton* trackingButton = nullptr;
};

}  // namespace panner
