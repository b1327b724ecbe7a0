// quendraleditor: the plug-in's 435 x 330 panel. Builds the twenty views when the host
// opens the window, turns control changes into parameter changes, and at every idle pulls
// the plug-in's state back into the controls: the angle, lfo speed and position, the
// envelope's position line, the meter, the response display, and every parameter the host
// changed since the last idle (automation, MIDI, program changes).
// Lower case on purpose, like the plug-in class quendral (glossary: docs/code-map.md).
#pragma once

#include <cstdint>

#include "editor/aeff_gui_editor.h"
#include "editor/colour_set.h"
#include "editor/parameter_change_flags.h"
#include "editor/spectrum_display_data.h"
#include "gui/c_control.h"

namespace panner {

class quendral;
class VGEnvelope;
class VGGrommetKnob;
class VGSimpleLabel;
class VGSpect;
class VGTextButton;
class VGVertMeter;

class quendraleditor : public AEffGUIEditor, public VSTGUI::CControlListener {
 public:
  static constexpr int32_t kWidth = 435;
  static constexpr int32_t kHeight = 330;
  static constexpr int32_t kNumViews = 20;
  static constexpr int32_t kColourTag = 23;   // the colour button
  static constexpr int32_t kNoParamTag = 24;  // views that stand for no parameter

  explicit quendraleditor(quendral* owner);
  ~quendraleditor() override;

  // Builds the panel in a child of the host's window.
  bool open(void* parent) override;
  // Builds the panel without a window, drawing into an in-memory image (tests, benchmarks).
  bool openHeadless();
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
  void addView(int32_t index, VSTGUI::CView* view);
  VGGrommetKnob* makeKnob(int32_t index, const VSTGUI::CRect& box, int32_t tag, float displayMin,
                          float displayMax, bool integer);
  VGSimpleLabel* makeNameLabel(int32_t index, const VSTGUI::CRect& box, int32_t parameter);
  void applyHostChanges(uint32_t flags);
  void setFilterButtons(float filterNumber);
  void recolour();

  quendral* plugin;
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
};

}  // namespace panner
