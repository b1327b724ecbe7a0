#include "editor/quendral_panel.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "about_picture.h"
#include "editor/set_status_text.h"
#include "editor/vg_bottom_label.h"
#include "editor/vg_elevation_slider.h"
#include "editor/vg_envelope.h"
#include "editor/vg_grommet_knob.h"
#include "editor/vg_logo.h"
#include "editor/vg_simple_label.h"
#include "editor/vg_size_menu.h"
#include "editor/vg_spect.h"
#include "editor/vg_target_button.h"
#include "editor/vg_text_button.h"
#include "editor/vg_vert_meter.h"
#include "gui/c_bitmap.h"
#include "gui/c_splash_screen.h"
#include "parameter_mapping.h"
#include "parameters.h"
#include "quendral_core.h"

namespace panner {

#ifndef QUENDRAL_VERSION_TEXT
#define QUENDRAL_VERSION_TEXT "1.0.0"
#endif

using VSTGUI::CRect;

namespace {

using namespace panel;

constexpr char kVersionText[] = "quendral " QUENDRAL_VERSION_TEXT;
constexpr int32_t kTrackingMenuWidth = 120;

}  // namespace

QuendralPanel::QuendralPanel(QuendralCore& owner) : PanelEditor(owner, kWidth, kHeight) {}

QuendralPanel::~QuendralPanel() = default;

bool QuendralPanel::open(void* parent) {
  // A host that opens an open editor again gets a fresh panel in the new window.
  if (frame != nullptr) close();
  PanelEditor::open(parent);
  return build(parent, false);
}

bool QuendralPanel::openHeadless() {
  if (frame != nullptr) close();
  return build(nullptr, true);
}

VGSimpleLabel* QuendralPanel::makeNameLabel(const ViewSpec& spec) {
  char text[VGControl::kTextCapacity] = {};
  core.getParameterName(spec.tag, text);
  text[VGControl::kTextCapacity - 1] = 0;
  auto* label = new VGSimpleLabel(spec.box, this, kNoParamTag, colours);
  label->setCaption(text);
  return label;
}

VGGrommetKnob* QuendralPanel::makeKnob(const ViewSpec& spec) {
  auto* knob = new VGGrommetKnob(spec.box, this, spec.tag, colours, &core);
  knob->setDisplayMax(spec.displayMax);
  knob->setDisplayMin(spec.displayMin);
  knob->setIntegerDisplay(spec.integerDisplay);
  knob->setValue(core.getParameter(spec.tag));
  char text[VGControl::kTextCapacity] = {};
  // The angle knob shows no unit; the others show the plug-in's label.
  if (spec.tag != kParamAngle) core.getParameterLabel(spec.tag, text);
  text[VGControl::kTextCapacity - 1] = 0;
  knob->setLabel(text);
  return knob;
}

VGTextButton* QuendralPanel::makeTextButton(const ViewSpec& spec) {
  auto* button = new VGTextButton(spec.box, this, spec.tag, colours);
  button->setCaption(spec.caption);
  button->setOnText(spec.caption);
  return button;
}

VSTGUI::CView* QuendralPanel::makeAboutPicture(const ViewSpec& spec) {
  VSTGUI::CBitmap* bitmap = nullptr;
  // A scaled panel shows the picture drawn at its own resolution (or, on Windows between
  // the sizes the plug-in carries, at the next larger one, resampled down).
  const double scale = frame->getScale();
  std::vector<unsigned char> rgb;
  int32_t width = 0, height = 0;
  double pictureScale = 1.0;
  if (scale != 1.0 && resources::renderAboutPicture(scale, rgb, width, height, pictureScale)) {
    bitmap = new VSTGUI::CBitmap(rgb.data(), width, height);
    bitmap->setScale(pictureScale);
  } else {
    bitmap = new VSTGUI::CBitmap(resources::kAboutPicturePixels, resources::kAboutPictureWidth,
                                 resources::kAboutPictureHeight);
  }
  auto* splash = new VSTGUI::CSplashScreen(spec.box, this, kNoParamTag, bitmap,
                                           CRect(0, 0, bitmap->getWidth(), bitmap->getHeight()),
                                           VSTGUI::CPoint(0, 0));
  bitmap->forget();  // the splash screen keeps its own reference
  return splash;
}

void QuendralPanel::connectSpectrumData() {
  // The response display reads the engine's arrays directly.
  SpatialEngine& engine = core.getEngine();
  spectrumData = SpectrumDisplayData{};
  spectrumData.binCount = QuendralCore::kDisplayBins;
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
  spectrumData.sampleRate = core.getSampleRate();
  engine.requestDisplayUpdate();  // the next frame fills the arrays for the first picture
}

VSTGUI::CView* QuendralPanel::makeView(const ViewSpec& spec) {
  switch (spec.kind) {
    case ViewKind::kLogo: {
      auto* logo = new VGLogo(spec.box, this, spec.tag, colours);
      logo->setCaption(spec.caption);
      return logo;
    }
    case ViewKind::kAboutPicture:
      return makeAboutPicture(spec);
    case ViewKind::kSpect:
      return new VGSpect(spec.box, this, spec.tag, colours, spectrumData);
    case ViewKind::kEnvelope:
      return new VGEnvelope(spec.box, &core, this, spec.tag, colours, kParamPointTime1,
                            kParamPointValue1);
    case ViewKind::kKnob:
      return makeKnob(spec);
    case ViewKind::kNameLabel:
      return makeNameLabel(spec);
    case ViewKind::kTextButton:
      return makeTextButton(spec);
    case ViewKind::kMeter: {
      auto* levelMeter = new VGVertMeter(spec.box, this, spec.tag, colours);
      levelMeter->setValue(0.0f);
      return levelMeter;
    }
    case ViewKind::kColourButton: {
      auto* button = new VGTargetButton(spec.box, this, spec.tag, colours);
      button->setCaption(spec.caption);
      button->setValue(colourButtonState);
      return button;
    }
    case ViewKind::kBottomLabel: {
      auto* label = new VGBottomLabel(spec.box, this, spec.tag, colours);
      label->setLabel(kVersionText);
      label->setReportsGestures(false);  // statusLineClicked frames the edits it makes
      return label;
    }
    case ViewKind::kSlider: {
      auto* slider = new VGElevationSlider(spec.box, this, spec.tag, colours);
      slider->setValue(core.getParameter(spec.tag));
      slider->setInUse(valueFromElevation(core.getEngine().currentElevationDegrees()));
      return slider;
    }
  }
  return nullptr;
}

bool QuendralPanel::build(void* parent, bool headless) {
  inIdle = false;
  colourButtonState = 0.0f;
  colours = ColourSet::defaults();
  changed.take();  // the controls start from the current values anyway

  frame = makeFrame(parent, headless);
  frame->setBackgroundColor(VSTGUI::kWhiteCColor);
  connectSpectrumData();
  for (int32_t slot = 0; slot < kNumViews; ++slot) {
    views[slot] = makeView(kViews[slot]);
    frame->addView(views[slot]);
  }
  // On top of the title strip, taking its right presses: the panel's size.
  frame->addView(new VGSizeMenuOpener(
      kViews[kLogo].box, [this] { return core.getEditorSizePercent(); },
      [this](int32_t percent) { chooseSize(percent); }));
  // Over that, on the head button, taking its right presses: head tracking's settings, in a
  // menu below the button.
  const CRect& head = kViews[kTrackingButton].box;
  frame->addView(new VGMenuOpener(head, head.left, kViews[kLogo].box.bottom, kTrackingMenuWidth,
                                  [this] { return TrackingStatus::settingsMenu(core); }));

  spect = static_cast<VGSpect*>(views[kSpect]);
  envelope = static_cast<VGEnvelope*>(views[kEnvelope]);
  angleKnob = static_cast<VGGrommetKnob*>(views[kAngleKnob]);
  gainKnob = static_cast<VGGrommetKnob*>(views[kGainKnob]);
  positionKnob = static_cast<VGGrommetKnob*>(views[kPositionKnob]);
  speedKnob = static_cast<VGGrommetKnob*>(views[kSpeedKnob]);
  divideKnob = static_cast<VGGrommetKnob*>(views[kDivideKnob]);
  filtOne = static_cast<VGTextButton*>(views[kFiltOne]);
  filtTwo = static_cast<VGTextButton*>(views[kFiltTwo]);
  lfoSync = static_cast<VGTextButton*>(views[kLfoSync]);
  meter = static_cast<VGVertMeter*>(views[kMeter]);
  statusLine = static_cast<VGBottomLabel*>(views[kBottomLabel]);
  elevationSlider = static_cast<VGElevationSlider*>(views[kElevationSlider]);
  trackingButton = static_cast<VGTextButton*>(views[kTrackingButton]);
  shownStatus = SetStatusText{};
  refreshStatusLine();
  setFilterButtons(core.getParameter(kParamFilterNumber));
  lfoSync->setValue(core.getParameter(kParamMidiLfoTempo) >= 0.5f ? 1.0f : 0.0f);
  return true;
}

void QuendralPanel::close() {
  PanelEditor::close();
  for (auto& view : views) view = nullptr;
  spect = nullptr;
  envelope = nullptr;
  angleKnob = gainKnob = positionKnob = speedKnob = divideKnob = nullptr;
  filtOne = filtTwo = lfoSync = nullptr;
  meter = nullptr;
  statusLine = nullptr;
  elevationSlider = nullptr;
  trackingButton = nullptr;
}

void QuendralPanel::idle() {
  if (frame == nullptr || inIdle) return;
  // While the about picture covers the panel, the frame draws it before the dirty
  // controls; repainting it at every idle and leaving the controls untouched keeps it
  // whole. The host's changes wait in the flags until the picture is dismissed.
  VSTGUI::CView* modal = frame->getModalView();
  if (modal != nullptr) modal->setDirty(true);
  // The frame's idle may run a press, whose tracking loop idles again through the pump;
  // those nested idles must still redraw, so the re-entry guard covers only the pull below.
  PanelEditor::idle();
  if (frame == nullptr || inIdle || frame->getModalView() != nullptr) return;
  inIdle = true;
  if (angleKnob != nullptr) angleKnob->setValue(core.getParameter(kParamAngle));
  if (elevationSlider != nullptr) {
    elevationSlider->setValue(core.getParameter(kParamElevation));
    elevationSlider->setInUse(valueFromElevation(core.getEngine().currentElevationDegrees()));
  }
  if (speedKnob != nullptr) speedKnob->setValue(core.getParameter(kParamLfoSpeed));
  if (positionKnob != nullptr) positionKnob->setValue(core.getParameter(kParamLfoPosition));
  if (envelope != nullptr) envelope->setPosition(core.getParameter(kParamLfoPosition));
  if (meter != nullptr) meter->setValue(core.getMeter(1));
  if (spect != nullptr) {
    // This refresh draws what the engine published since the last one and asks for the
    // next frame's spectra.
    spect->setDirty(true);
    core.getEngine().requestDisplayUpdate();
  }
  applyHostChanges(changed.take());
  refreshStatusLine();
  inIdle = false;
}

void QuendralPanel::refreshStatusLine() {
  if (statusLine == nullptr) return;
  const float ownOn = core.getParameter(kParamOwnSet) >= 0.5f ? 1.0f : 0.0f;
  SetStatusText status = describeSetStatus(core, getOwnSetLoader(), dismissedRefusal);
  // Head tracking's line while it is on, unless a refused set waits to be read.
  if (SetStatusText head = tracking.describe(core); !head.text.empty() && !status.alert)
    status = std::move(head);
  if (trackingButton != nullptr &&
      trackingButton->getValue() != (TrackingStatus::on(core) ? 1.0f : 0.0f)) {
    trackingButton->setValue(TrackingStatus::on(core) ? 1.0f : 0.0f);
    trackingButton->setDirty(true);
  }
  if (status == shownStatus && statusLine->getValue() == ownOn) return;
  shownStatus = std::move(status);
  statusLine->setCaption(shownStatus.text.c_str());
  statusLine->setAlert(shownStatus.alert);
  statusLine->setValue(ownOn);
  statusLine->setDirty(true);
}

void QuendralPanel::statusLineClicked() {
  // A shown refusal is dismissed first; then a click switches between the built-in set
  // and a loaded own set (with none loaded, "own set" can still be switched off).
  const bool ownOn = core.getParameter(kParamOwnSet) >= 0.5f;
  if (TrackingStatus::on(core) && !shownStatus.alert) {
    core.headTracker().centre();  // the line shows the head: a click makes it straight ahead
  } else if (shownStatus.alert) {
    dismissedRefusal = core.ownSetRefusalNumber();
  } else if (ownOn || core.ownSet() != nullptr) {
    core.beginEdit(kParamOwnSet);
    core.setParameterAutomated(kParamOwnSet, ownOn ? 0.0f : 1.0f);
    core.endEdit(kParamOwnSet);
  }
  shownStatus = SetStatusText{};  // redrawn at once
  refreshStatusLine();
}

void QuendralPanel::setParameter(int32_t index, float) { changed.mark(index); }

void QuendralPanel::setFilterButtons(float filterNumber) {
  // Exactly 0.5 lights neither button (the plug-in then uses the second set).
  if (filtOne != nullptr) filtOne->setValue(filterNumber < 0.5f ? 1.0f : 0.0f);
  if (filtTwo != nullptr) filtTwo->setValue(filterNumber > 0.5f ? 1.0f : 0.0f);
}

void QuendralPanel::applyHostChanges(uint32_t flags) {
  if (flags == 0) return;
  // Angle, elevation, lfo speed and lfo position are pulled at every idle already.
  if (ParameterChangeFlags::has(flags, kParamMidiLfoTempo) && lfoSync != nullptr) {
    lfoSync->setValue(core.getParameter(kParamMidiLfoTempo) >= 0.5f ? 1.0f : 0.0f);
  }
  if (ParameterChangeFlags::has(flags, kParamLfoDivide) && divideKnob != nullptr) {
    divideKnob->setValue(core.getParameter(kParamLfoDivide));
  }
  if (ParameterChangeFlags::has(flags, kParamFilterNumber)) {
    setFilterButtons(core.getParameter(kParamFilterNumber));
    if (filtOne != nullptr) filtOne->setDirty(true);
    if (filtTwo != nullptr) filtTwo->setDirty(true);
  }
  if (ParameterChangeFlags::has(flags, kParamGain) && gainKnob != nullptr) {
    gainKnob->setValue(core.getParameter(kParamGain));
  }
  const uint32_t pointBits =
      ((uint32_t{1} << (kParamPointTime8 + 1)) - 1u) & ~((uint32_t{1} << kParamPointValue1) - 1u);
  if ((flags & pointBits) != 0 && envelope != nullptr) envelope->setDirty(true);
}

void QuendralPanel::recolour() {
  // The runtime's generator, never seeded: every process starts the same sequence.
  for (int32_t i = 0; i < 3; ++i) {
    colours[i].red = static_cast<uint8_t>(std::rand() % 255);
    colours[i].green = static_cast<uint8_t>(std::rand() % 255);
    colours[i].blue = static_cast<uint8_t>(std::rand() % 255);
    colours[i].alpha = 255;
  }
}

void QuendralPanel::valueChanged(VSTGUI::CDrawContext*, VSTGUI::CControl* control) {
  if (control == nullptr || frame == nullptr) return;
  const int32_t tag = control->getTag();
  const float value = control->getValue();
  control->setDirty(true);
  switch (tag) {
    case kParamAngle:
      core.setParameterAutomated(kParamAngle, value);
      if (positionKnob != nullptr) positionKnob->setDirty(true);
      if (envelope != nullptr) envelope->setDirty(true);
      break;
    case kParamFilterNumber: {
      // The two filter buttons form a radio pair: the clicked one is always left on.
      const bool first = control == filtOne;
      if (filtOne != nullptr) filtOne->setValue(first ? 1.0f : 0.0f);
      if (filtTwo != nullptr) filtTwo->setValue(first ? 0.0f : 1.0f);
      core.setParameterAutomated(kParamFilterNumber, first ? 0.0f : 1.0f);
      if (filtOne != nullptr) filtOne->setDirty(true);
      if (filtTwo != nullptr) filtTwo->setDirty(true);
      break;
    }
    case kParamLfoSpeed:
      core.setParameterAutomated(kParamLfoSpeed, value);
      break;
    case kParamLfoPosition:
      core.setParameterAutomated(kParamLfoPosition, value);
      if (envelope != nullptr) envelope->setDirty(true);
      if (angleKnob != nullptr) angleKnob->setDirty(true);
      break;
    case kParamOwnSet:
      statusLineClicked();
      break;
    case kTrackingTag:
      TrackingStatus::toggle(core);
      refreshStatusLine();
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
      core.setParameterAutomated(tag, value);
      break;
  }
}

int32_t QuendralPanel::modifierClick(VSTGUI::CDrawContext*, VSTGUI::CControl*, int32_t) {
  return 0;
}

}  // namespace panner
