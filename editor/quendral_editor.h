// quendraleditor: the plug-in's 435 x 330 panel. Builds the twenty views when the host
// opens the window, turns control changes into parameter changes, and at every idle pulls
// the plug-in's state back into the controls: the angle, lfo speed and position, the
// envelope's position line, the meter, the response display, and every parameter the host
// changed since the last idle (automation, MIDI, program changes).
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

  explicit quendraleditor(quendral* plugin);
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
    return frame_ != nullptr && index >= 0 && index < kNumViews ? views_[index] : nullptr;
  }
  const ColourSet& getColours() const { return colours_; }
  const SpectrumDisplayData& getSpectrumData() const { return spectrumData_; }

 private:
  bool build(void* parent, bool headless);
  void addView(int32_t index, VSTGUI::CView* view);
  VGGrommetKnob* makeKnob(int32_t index, const VSTGUI::CRect& rect, int32_t tag, float displayMin,
                          float displayMax, bool integer);
  VGSimpleLabel* makeNameLabel(int32_t index, const VSTGUI::CRect& rect, int32_t parameter);
  void applyHostChanges(uint32_t changed);
  void setFilterButtons(float filterNumber);
  void recolour();

  quendral* plugin_;
  ColourSet colours_ = ColourSet::defaults();
  float colourButtonState_ = 0.0f;
  float curveScale_ = 0.5f;
  SpectrumDisplayData spectrumData_;
  ParameterChangeFlags changed_;
  bool inIdle_ = false;

  VSTGUI::CView* views_[kNumViews] = {};
  VGSpect* spect_ = nullptr;
  VGEnvelope* envelope_ = nullptr;
  VGGrommetKnob* angleKnob_ = nullptr;
  VGGrommetKnob* gainKnob_ = nullptr;
  VGTextButton* filtOne_ = nullptr;
  VGTextButton* filtTwo_ = nullptr;
  VGTextButton* lfoSync_ = nullptr;
  VGGrommetKnob* positionKnob_ = nullptr;
  VGGrommetKnob* speedKnob_ = nullptr;
  VGGrommetKnob* divideKnob_ = nullptr;
  VGVertMeter* meter_ = nullptr;
};

}  // namespace panner
