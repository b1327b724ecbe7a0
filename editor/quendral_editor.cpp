#include "editor/quendral_editor.h"

#include <cstdlib>
#include <memory>

#include "about_picture.h"
#include "editor/vg_bottom_label.h"
#include "editor/vg_envelope.h"
#include "editor/vg_grommet_knob.h"
#include "editor/vg_logo.h"
#include "editor/vg_simple_label.h"
#include "editor/vg_spect.h"
#include "editor/vg_target_button.h"
#include "editor/vg_text_button.h"
#include "editor/vg_vert_meter.h"
#include "engine_constants.h"
#include "gui/c_bitmap.h"
#include "gui/c_splash_screen.h"
#include "gui/image/image_window.h"
#include "parameters.h"
#include "quendral.h"

namespace panner {

#ifndef QUENDRAL_VERSION_TEXT
#define QUENDRAL_VERSION_TEXT "1.0.0"
#endif

using VSTGUI::CRect;

namespace {

// Index of each view in the panel, in the order the views are added.
enum ViewSlot : int32_t {
  kLogo,
  kSplash,
  kSpect,
  kEnvelope,
  kAngleKnob,
  kAngleLabel,
  kGainKnob,
  kGainLabel,
  kFiltOne,
  kFiltTwo,
  kLfoSync,
  kPositionKnob,
  kPositionLabel,
  kSpeedKnob,
  kSpeedLabel,
  kDivideKnob,
  kDivideLabel,
  kMeter,
  kColourButton,
  kBottomLabel,
};

constexpr char kBottomCaption[] = "quendral " QUENDRAL_VERSION_TEXT " - binaural panner";

}  // namespace

quendraleditor::quendraleditor(quendral* plugin) : AEffGUIEditor(plugin), plugin_(plugin) {
  rect_ = ERect{0, 0, kHeight, kWidth};
}

quendraleditor::~quendraleditor() = default;

bool quendraleditor::open(void* parent) {
  // A host that opens an open editor again gets a fresh panel in the new window.
  if (frame_ != nullptr) close();
  AEffGUIEditor::open(parent);
  return build(parent, false);
}

bool quendraleditor::openHeadless() {
  if (frame_ != nullptr) close();
  return build(nullptr, true);
}

void quendraleditor::addView(int32_t index, VSTGUI::CView* view) {
  views_[index] = view;
  frame_->addView(view);
}

VGSimpleLabel* quendraleditor::makeNameLabel(int32_t index, const CRect& rect, int32_t parameter) {
  char text[VGControl::kTextCapacity] = {};
  plugin_->getParameterName(parameter, text);
  text[VGControl::kTextCapacity - 1] = 0;
  auto* label = new VGSimpleLabel(rect, this, kNoParamTag, colours_);
  label->setCaption(text);
  addView(index, label);
  return label;
}

VGGrommetKnob* quendraleditor::makeKnob(int32_t index, const CRect& rect, int32_t tag,
                                        float displayMin, float displayMax, bool integer) {
  auto* knob = new VGGrommetKnob(rect, this, tag, colours_, plugin_);
  knob->setDisplayMax(displayMax);
  knob->setDisplayMin(displayMin);
  knob->setIntegerDisplay(integer);
  knob->setValue(plugin_->getParameter(tag));
  char text[VGControl::kTextCapacity] = {};
  // The angle knob shows no unit; the others show the plug-in's label.
  if (tag != kParamAngle) plugin_->getParameterLabel(tag, text);
  text[VGControl::kTextCapacity - 1] = 0;
  knob->setLabel(text);
  addView(index, knob);
  return knob;
}

bool quendraleditor::build(void* parent, bool headless) {
  inIdle_ = false;
  colourButtonState_ = 0.0f;
  colours_ = ColourSet::defaults();
  changed_.take();  // the controls start from the current values anyway

  auto* bitmap = new VSTGUI::CBitmap(resources::kAboutPicturePixels, resources::kAboutPictureWidth,
                                     resources::kAboutPictureHeight);
  frame_ = headless ? makeFrame(nullptr, std::make_unique<VSTGUI::ImageWindow>(kWidth, kHeight))
                    : makeFrame(parent, nullptr);
  frame_->setBackgroundColor(VSTGUI::kWhiteCColor);

  auto* logo = new VGLogo(CRect(5, 5, 430, 31), this, kNoParamTag, colours_);
  logo->setCaption("+ q u e n d r a l");
  addView(kLogo, logo);
  auto* splash = new VSTGUI::CSplashScreen(CRect(5, 5, 430, 26), this, kNoParamTag, bitmap,
                                           CRect(0, 0, bitmap->getWidth(), bitmap->getHeight()),
                                           VSTGUI::CPoint(0, 0));
  addView(kSplash, splash);
  bitmap->forget();  // the splash screen keeps its own reference

  // The response display reads the engine's arrays directly.
  SpatialEngine& engine = plugin_->getEngine();
  spectrumData_ = SpectrumDisplayData{};
  spectrumData_.binCount = engine::kFftHalf;
  spectrumData_.paneCount = 2;
  spectrumData_.curveCount = 2;
  for (int32_t pane = 0; pane < 2; ++pane) {
    spectrumData_.paneTopDb[pane] = 0.0f;
    spectrumData_.paneBottomDb[pane] = -96.0f;
    spectrumData_.inSpectrum[pane] = engine.displayInSpectrum();
    spectrumData_.outSpectrum[pane] = engine.displayOutSpectrum(pane);
    spectrumData_.filterSpectrum[pane] = engine.displayFilterSpectrum(pane);
    spectrumData_.curveScale[pane] = &curveScale_;
  }
  spectrumData_.setGain = engine.activeSetGain();
  spectrumData_.sampleRate = plugin_->getSampleRate();
  engine.requestDisplayUpdate();  // the next frame fills the arrays for the first picture

  spect_ = new VGSpect(CRect(5, 33, 205, 233), this, kNoParamTag, colours_, spectrumData_);
  addView(kSpect, spect_);
  envelope_ = new VGEnvelope(CRect(210, 33, 410, 233), plugin_, this, kNoParamTag, colours_,
                             kParamPointTime1, kParamPointValue1);
  addView(kEnvelope, envelope_);

  angleKnob_ = makeKnob(kAngleKnob, CRect(5, 234, 71, 300), kParamAngle, -180.0f, 180.0f, false);
  makeNameLabel(kAngleLabel, CRect(5, 300, 65, 315), kParamAngle);
  gainKnob_ = makeKnob(kGainKnob, CRect(75, 234, 141, 300), kParamGain, -12.0f, 12.0f, false);
  makeNameLabel(kGainLabel, CRect(75, 300, 135, 315), kParamGain);

  filtOne_ = new VGTextButton(CRect(142, 240, 207, 258), this, kParamFilterNumber, colours_);
  filtOne_->setCaption("filt one");
  filtOne_->setOnText("filt one");
  filtTwo_ = new VGTextButton(CRect(142, 263, 207, 281), this, kParamFilterNumber, colours_);
  filtTwo_->setCaption("filt two");
  filtTwo_->setOnText("filt two");
  setFilterButtons(plugin_->getParameter(kParamFilterNumber));
  addView(kFiltOne, filtOne_);
  addView(kFiltTwo, filtTwo_);
  lfoSync_ = new VGTextButton(CRect(142, 286, 207, 304), this, kParamMidiLfoTempo, colours_);
  lfoSync_->setCaption("lfo sync");
  lfoSync_->setOnText("lfo sync");
  lfoSync_->setValue(plugin_->getParameter(kParamMidiLfoTempo) >= 0.5f ? 1.0f : 0.0f);
  addView(kLfoSync, lfoSync_);

  positionKnob_ =
      makeKnob(kPositionKnob, CRect(210, 234, 276, 300), kParamLfoPosition, 0.0f, 1.0f, false);
  makeNameLabel(kPositionLabel, CRect(210, 300, 270, 315), kParamLfoPosition);
  speedKnob_ = makeKnob(kSpeedKnob, CRect(280, 234, 346, 300), kParamLfoSpeed, -1.0f, 1.0f, false);
  makeNameLabel(kSpeedLabel, CRect(280, 300, 340, 315), kParamLfoSpeed);
  divideKnob_ =
      makeKnob(kDivideKnob, CRect(350, 234, 416, 300), kParamLfoDivide, 1.0f, 11.0f, true);
  makeNameLabel(kDivideLabel, CRect(350, 300, 410, 315), kParamLfoDivide);

  meter_ = new VGVertMeter(CRect(415, 35, 432, 253), this, kNoParamTag, colours_);
  meter_->setValue(0.0f);
  addView(kMeter, meter_);
  auto* colourButton = new VGTargetButton(CRect(415, 300, 432, 317), this, kColourTag, colours_);
  colourButton->setCaption("");
  colourButton->setValue(colourButtonState_);
  addView(kColourButton, colourButton);
  auto* bottomLabel = new VGBottomLabel(CRect(0, 320, 435, 330), this, kNoParamTag, colours_);
  bottomLabel->setCaption(kBottomCaption);
  addView(kBottomLabel, bottomLabel);
  return true;
}

void quendraleditor::close() {
  AEffGUIEditor::close();
  for (auto& view : views_) view = nullptr;
  spect_ = nullptr;
  envelope_ = nullptr;
  angleKnob_ = gainKnob_ = positionKnob_ = speedKnob_ = divideKnob_ = nullptr;
  filtOne_ = filtTwo_ = lfoSync_ = nullptr;
  meter_ = nullptr;
}

void quendraleditor::idle() {
  if (frame_ == nullptr || inIdle_) return;
  // While the about picture covers the panel, the frame draws it before the dirty
  // controls; repainting it at every idle and leaving the controls untouched keeps it
  // whole. The host's changes wait in the flags until the picture is dismissed.
  VSTGUI::CView* modal = frame_->getModalView();
  if (modal != nullptr) modal->setDirty(true);
  // The frame's idle may run a press, whose tracking loop idles again through the pump;
  // those nested idles must still redraw, so the re-entry guard covers only the pull below.
  AEffGUIEditor::idle();
  if (frame_ == nullptr || inIdle_ || frame_->getModalView() != nullptr) return;
  inIdle_ = true;
  if (angleKnob_ != nullptr) angleKnob_->setValue(plugin_->getParameter(kParamAngle));
  if (speedKnob_ != nullptr) speedKnob_->setValue(plugin_->getParameter(kParamLfoSpeed));
  if (positionKnob_ != nullptr) positionKnob_->setValue(plugin_->getParameter(kParamLfoPosition));
  if (envelope_ != nullptr) envelope_->setPosition(plugin_->getParameter(kParamLfoPosition));
  if (meter_ != nullptr) meter_->setValue(plugin_->getMeter(1));
  if (spect_ != nullptr) {
    // This refresh draws what the engine published since the last one and asks for the
    // next frame's spectra.
    spect_->setDirty(true);
    plugin_->getEngine().requestDisplayUpdate();
  }
  applyHostChanges(changed_.take());
  inIdle_ = false;
}

void quendraleditor::setParameter(int32_t index, float) { changed_.mark(index); }

void quendraleditor::setFilterButtons(float filterNumber) {
  // Exactly 0.5 lights neither button (the plug-in then uses the second set).
  if (filtOne_ != nullptr) filtOne_->setValue(filterNumber < 0.5f ? 1.0f : 0.0f);
  if (filtTwo_ != nullptr) filtTwo_->setValue(filterNumber > 0.5f ? 1.0f : 0.0f);
}

void quendraleditor::applyHostChanges(uint32_t changed) {
  if (changed == 0) return;
  // Angle, lfo speed and lfo position are pulled at every idle already.
  if (ParameterChangeFlags::has(changed, kParamMidiLfoTempo) && lfoSync_ != nullptr) {
    lfoSync_->setValue(plugin_->getParameter(kParamMidiLfoTempo) >= 0.5f ? 1.0f : 0.0f);
  }
  if (ParameterChangeFlags::has(changed, kParamLfoDivide) && divideKnob_ != nullptr) {
    divideKnob_->setValue(plugin_->getParameter(kParamLfoDivide));
  }
  if (ParameterChangeFlags::has(changed, kParamFilterNumber)) {
    setFilterButtons(plugin_->getParameter(kParamFilterNumber));
    if (filtOne_ != nullptr) filtOne_->setDirty(true);
    if (filtTwo_ != nullptr) filtTwo_->setDirty(true);
  }
  if (ParameterChangeFlags::has(changed, kParamGain) && gainKnob_ != nullptr) {
    gainKnob_->setValue(plugin_->getParameter(kParamGain));
  }
  const uint32_t pointBits =
      ((uint32_t{1} << (kParamPointTime8 + 1)) - 1u) & ~((uint32_t{1} << kParamPointValue1) - 1u);
  if ((changed & pointBits) != 0 && envelope_ != nullptr) envelope_->setDirty(true);
}

void quendraleditor::recolour() {
  // The runtime's generator, never seeded: every process starts the same sequence.
  for (int32_t i = 0; i < 3; ++i) {
    colours_[i].red = static_cast<uint8_t>(std::rand() % 255);
    colours_[i].green = static_cast<uint8_t>(std::rand() % 255);
    colours_[i].blue = static_cast<uint8_t>(std::rand() % 255);
    colours_[i].alpha = 255;
  }
}

void quendraleditor::valueChanged(VSTGUI::CDrawContext*, VSTGUI::CControl* control) {
  if (control == nullptr || frame_ == nullptr) return;
  const int32_t tag = control->getTag();
  const float value = control->getValue();
  control->setDirty(true);
  switch (tag) {
    case kParamAngle:
      plugin_->setParameterAutomated(kParamAngle, value);
      if (positionKnob_ != nullptr) positionKnob_->setDirty(true);
      if (envelope_ != nullptr) envelope_->setDirty(true);
      break;
    case kParamFilterNumber: {
      // The two filter buttons form a radio pair: the clicked one is always left on.
      const bool first = control == filtOne_;
      if (filtOne_ != nullptr) filtOne_->setValue(first ? 1.0f : 0.0f);
      if (filtTwo_ != nullptr) filtTwo_->setValue(first ? 0.0f : 1.0f);
      plugin_->setParameterAutomated(kParamFilterNumber, first ? 0.0f : 1.0f);
      if (filtOne_ != nullptr) filtOne_->setDirty(true);
      if (filtTwo_ != nullptr) filtTwo_->setDirty(true);
      break;
    }
    case kParamLfoSpeed:
      plugin_->setParameterAutomated(kParamLfoSpeed, value);
      break;
    case kParamLfoPosition:
      plugin_->setParameterAutomated(kParamLfoPosition, value);
      if (envelope_ != nullptr) envelope_->setDirty(true);
      if (angleKnob_ != nullptr) angleKnob_->setDirty(true);
      break;
    case kColourTag:
      if (value > 0.5f) {
        recolour();
      } else {
        colours_ = ColourSet::defaults();
      }
      frame_->invalidate(CRect(0, 0, kWidth, kHeight));
      break;
    default:
      plugin_->setParameterAutomated(tag, value);
      break;
  }
}

int32_t quendraleditor::modifierClick(VSTGUI::CDrawContext*, VSTGUI::CControl*, int32_t) {
  return 0;
}

}  // namespace panner
