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

quendraleditor::quendraleditor(quendral* owner) : AEffGUIEditor(owner), plugin(owner) {
  rect = ERect{0, 0, kHeight, kWidth};
}

quendraleditor::~quendraleditor() = default;

bool quendraleditor::open(void* parent) {
  // A host that opens an open editor again gets a fresh panel in the new window.
  if (frame != nullptr) close();
  AEffGUIEditor::open(parent);
  return build(parent, false);
}

bool quendraleditor::openHeadless() {
  if (frame != nullptr) close();
  return build(nullptr, true);
}

void quendraleditor::addView(int32_t index, VSTGUI::CView* view) {
  views[index] = view;
  frame->addView(view);
}

VGSimpleLabel* quendraleditor::makeNameLabel(int32_t index, const CRect& box, int32_t parameter) {
  char text[VGControl::kTextCapacity] = {};
  plugin->getParameterName(parameter, text);
  text[VGControl::kTextCapacity - 1] = 0;
  auto* label = new VGSimpleLabel(box, this, kNoParamTag, colours);
  label->setCaption(text);
  addView(index, label);
  return label;
}

VGGrommetKnob* quendraleditor::makeKnob(int32_t index, const CRect& box, int32_t tag,
                                        float displayMin, float displayMax, bool integer) {
  auto* knob = new VGGrommetKnob(box, this, tag, colours, plugin);
  knob->setDisplayMax(displayMax);
  knob->setDisplayMin(displayMin);
  knob->setIntegerDisplay(integer);
  knob->setValue(plugin->getParameter(tag));
  char text[VGControl::kTextCapacity] = {};
  // The angle knob shows no unit; the others show the plug-in's label.
  if (tag != kParamAngle) plugin->getParameterLabel(tag, text);
  text[VGControl::kTextCapacity - 1] = 0;
  knob->setLabel(text);
  addView(index, knob);
  return knob;
}

bool quendraleditor::build(void* parent, bool headless) {
  inIdle = false;
  colourButtonState = 0.0f;
  colours = ColourSet::defaults();
  changed.take();  // the controls start from the current values anyway

  auto* bitmap = new VSTGUI::CBitmap(resources::kAboutPicturePixels, resources::kAboutPictureWidth,
                                     resources::kAboutPictureHeight);
  frame = headless ? makeFrame(nullptr, std::make_unique<VSTGUI::ImageWindow>(kWidth, kHeight))
                   : makeFrame(parent, nullptr);
  frame->setBackgroundColor(VSTGUI::kWhiteCColor);

  auto* logo = new VGLogo(CRect(5, 5, 430, 31), this, kNoParamTag, colours);
  logo->setCaption("+ q u e n d r a l");
  addView(kLogo, logo);
  auto* splash = new VSTGUI::CSplashScreen(CRect(5, 5, 430, 26), this, kNoParamTag, bitmap,
                                           CRect(0, 0, bitmap->getWidth(), bitmap->getHeight()),
                                           VSTGUI::CPoint(0, 0));
  addView(kSplash, splash);
  bitmap->forget();  // the splash screen keeps its own reference

  // The response display reads the engine's arrays directly.
  SpatialEngine& engine = plugin->getEngine();
  spectrumData = SpectrumDisplayData{};
  spectrumData.binCount = engine::kFftHalf;
  spectrumData.paneCount = 2;
  spectrumData.curveCount = 2;
  for (int32_t pane = 0; pane < 2; ++pane) {
    spectrumData.paneTopDb[pane] = 0.0f;
    spectrumData.paneBottomDb[pane] = -96.0f;
    spectrumData.inSpectrum[pane] = engine.displayInSpectrum();
    spectrumData.outSpectrum[pane] = engine.displayOutSpectrum(pane);
    spectrumData.filterSpectrum[pane] = engine.displayFilterSpectrum(pane);
    spectrumData.curveScale[pane] = &curveScale;
  }
  spectrumData.setGain = engine.activeSetGain();
  spectrumData.sampleRate = plugin->getSampleRate();
  engine.requestDisplayUpdate();  // the next frame fills the arrays for the first picture

  spect = new VGSpect(CRect(5, 33, 205, 233), this, kNoParamTag, colours, spectrumData);
  addView(kSpect, spect);
  envelope = new VGEnvelope(CRect(210, 33, 410, 233), plugin, this, kNoParamTag, colours,
                            kParamPointTime1, kParamPointValue1);
  addView(kEnvelope, envelope);

  angleKnob = makeKnob(kAngleKnob, CRect(5, 234, 71, 300), kParamAngle, -180.0f, 180.0f, false);
  makeNameLabel(kAngleLabel, CRect(5, 300, 65, 315), kParamAngle);
  gainKnob = makeKnob(kGainKnob, CRect(75, 234, 141, 300), kParamGain, -12.0f, 12.0f, false);
  makeNameLabel(kGainLabel, CRect(75, 300, 135, 315), kParamGain);

  filtOne = new VGTextButton(CRect(142, 240, 207, 258), this, kParamFilterNumber, colours);
  filtOne->setCaption("filt one");
  filtOne->setOnText("filt one");
  filtTwo = new VGTextButton(CRect(142, 263, 207, 281), this, kParamFilterNumber, colours);
  filtTwo->setCaption("filt two");
  filtTwo->setOnText("filt two");
  setFilterButtons(plugin->getParameter(kParamFilterNumber));
  addView(kFiltOne, filtOne);
  addView(kFiltTwo, filtTwo);
  lfoSync = new VGTextButton(CRect(142, 286, 207, 304), this, kParamMidiLfoTempo, colours);
  lfoSync->setCaption("lfo sync");
  lfoSync->setOnText("lfo sync");
  lfoSync->setValue(plugin->getParameter(kParamMidiLfoTempo) >= 0.5f ? 1.0f : 0.0f);
  addView(kLfoSync, lfoSync);

  positionKnob =
      makeKnob(kPositionKnob, CRect(210, 234, 276, 300), kParamLfoPosition, 0.0f, 1.0f, false);
  makeNameLabel(kPositionLabel, CRect(210, 300, 270, 315), kParamLfoPosition);
  speedKnob = makeKnob(kSpeedKnob, CRect(280, 234, 346, 300), kParamLfoSpeed, -1.0f, 1.0f, false);
  makeNameLabel(kSpeedLabel, CRect(280, 300, 340, 315), kParamLfoSpeed);
  divideKnob = makeKnob(kDivideKnob, CRect(350, 234, 416, 300), kParamLfoDivide, 1.0f, 11.0f, true);
  makeNameLabel(kDivideLabel, CRect(350, 300, 410, 315), kParamLfoDivide);

  meter = new VGVertMeter(CRect(415, 35, 432, 253), this, kNoParamTag, colours);
  meter->setValue(0.0f);
  addView(kMeter, meter);
  auto* colourButton = new VGTargetButton(CRect(415, 300, 432, 317), this, kColourTag, colours);
  colourButton->setCaption("");
  colourButton->setValue(colourButtonState);
  addView(kColourButton, colourButton);
  auto* bottomLabel = new VGBottomLabel(CRect(0, 320, 435, 330), this, kNoParamTag, colours);
  bottomLabel->setCaption(kBottomCaption);
  addView(kBottomLabel, bottomLabel);
  return true;
}

void quendraleditor::close() {
  AEffGUIEditor::close();
  for (auto& view : views) view = nullptr;
  spect = nullptr;
  envelope = nullptr;
  angleKnob = gainKnob = positionKnob = speedKnob = divideKnob = nullptr;
  filtOne = filtTwo = lfoSync = nullptr;
  meter = nullptr;
}

void quendraleditor::idle() {
  if (frame == nullptr || inIdle) return;
  // While the about picture covers the panel, the frame draws it before the dirty
  // controls; repainting it at every idle and leaving the controls untouched keeps it
  // whole. The host's changes wait in the flags until the picture is dismissed.
  VSTGUI::CView* modal = frame->getModalView();
  if (modal != nullptr) modal->setDirty(true);
  // The frame's idle may run a press, whose tracking loop idles again through the pump;
  // those nested idles must still redraw, so the re-entry guard covers only the pull below.
  AEffGUIEditor::idle();
  if (frame == nullptr || inIdle || frame->getModalView() != nullptr) return;
  inIdle = true;
  if (angleKnob != nullptr) angleKnob->setValue(plugin->getParameter(kParamAngle));
  if (speedKnob != nullptr) speedKnob->setValue(plugin->getParameter(kParamLfoSpeed));
  if (positionKnob != nullptr) positionKnob->setValue(plugin->getParameter(kParamLfoPosition));
  if (envelope != nullptr) envelope->setPosition(plugin->getParameter(kParamLfoPosition));
  if (meter != nullptr) meter->setValue(plugin->getMeter(1));
  if (spect != nullptr) {
    // This refresh draws what the engine published since the last one and asks for the
    // next frame's spectra.
    spect->setDirty(true);
    plugin->getEngine().requestDisplayUpdate();
  }
  applyHostChanges(changed.take());
  inIdle = false;
}

void quendraleditor::setParameter(int32_t index, float) { changed.mark(index); }

void quendraleditor::setFilterButtons(float filterNumber) {
  // Exactly 0.5 lights neither button (the plug-in then uses the second set).
  if (filtOne != nullptr) filtOne->setValue(filterNumber < 0.5f ? 1.0f : 0.0f);
  if (filtTwo != nullptr) filtTwo->setValue(filterNumber > 0.5f ? 1.0f : 0.0f);
}

void quendraleditor::applyHostChanges(uint32_t flags) {
  if (flags == 0) return;
  // Angle, lfo speed and lfo position are pulled at every idle already.
  if (ParameterChangeFlags::has(flags, kParamMidiLfoTempo) && lfoSync != nullptr) {
    lfoSync->setValue(plugin->getParameter(kParamMidiLfoTempo) >= 0.5f ? 1.0f : 0.0f);
  }
  if (ParameterChangeFlags::has(flags, kParamLfoDivide) && divideKnob != nullptr) {
    divideKnob->setValue(plugin->getParameter(kParamLfoDivide));
  }
  if (ParameterChangeFlags::has(flags, kParamFilterNumber)) {
    setFilterButtons(plugin->getParameter(kParamFilterNumber));
    if (filtOne != nullptr) filtOne->setDirty(true);
    if (filtTwo != nullptr) filtTwo->setDirty(true);
  }
  if (ParameterChangeFlags::has(flags, kParamGain) && gainKnob != nullptr) {
    gainKnob->setValue(plugin->getParameter(kParamGain));
  }
  const uint32_t pointBits =
      ((uint32_t{1} << (kParamPointTime8 + 1)) - 1u) & ~((uint32_t{1} << kParamPointValue1) - 1u);
  if ((flags & pointBits) != 0 && envelope != nullptr) envelope->setDirty(true);
}

void quendraleditor::recolour() {
  // The runtime's generator, never seeded: every process starts the same sequence.
  for (int32_t i = 0; i < 3; ++i) {
    colours[i].red = static_cast<uint8_t>(std::rand() % 255);
    colours[i].green = static_cast<uint8_t>(std::rand() % 255);
    colours[i].blue = static_cast<uint8_t>(std::rand() % 255);
    colours[i].alpha = 255;
  }
}

void quendraleditor::valueChanged(VSTGUI::CDrawContext*, VSTGUI::CControl* control) {
  if (control == nullptr || frame == nullptr) return;
  const int32_t tag = control->getTag();
  const float value = control->getValue();
  control->setDirty(true);
  switch (tag) {
    case kParamAngle:
      plugin->setParameterAutomated(kParamAngle, value);
      if (positionKnob != nullptr) positionKnob->setDirty(true);
      if (envelope != nullptr) envelope->setDirty(true);
      break;
    case kParamFilterNumber: {
      // The two filter buttons form a radio pair: the clicked one is always left on.
      const bool first = control == filtOne;
      if (filtOne != nullptr) filtOne->setValue(first ? 1.0f : 0.0f);
      if (filtTwo != nullptr) filtTwo->setValue(first ? 0.0f : 1.0f);
      plugin->setParameterAutomated(kParamFilterNumber, first ? 0.0f : 1.0f);
      if (filtOne != nullptr) filtOne->setDirty(true);
      if (filtTwo != nullptr) filtTwo->setDirty(true);
      break;
    }
    case kParamLfoSpeed:
      plugin->setParameterAutomated(kParamLfoSpeed, value);
      break;
    case kParamLfoPosition:
      plugin->setParameterAutomated(kParamLfoPosition, value);
      if (envelope != nullptr) envelope->setDirty(true);
      if (angleKnob != nullptr) angleKnob->setDirty(true);
      break;
    case kColourTag:
      if (value > 0.5f) {
        recolour();
      } else {
        colours = ColourSet::defaults();
      }
      frame->invalidate(CRect(0, 0, kWidth, kHeight));
      break;
    default:
      plugin->setParameterAutomated(tag, value);
      break;
  }
}

int32_t quendraleditor::modifierClick(VSTGUI::CDrawContext*, VSTGUI::CControl*, int32_t) {
  return 0;
}

}  // namespace panner
