// The layout of the editor's 435 x 330 panel: one row per view, in the order the views are
// added to the frame (a later view lies on top of an earlier one and gets presses first).
// quendraleditor builds the panel from this table; the panel test checks it for bounds
// and overlaps.
#pragma once

#include <cstdint>

#include "gui/gui_types.h"
#include "parameters.h"

namespace panner {

namespace panel {

constexpr int32_t kWidth = 435;
constexpr int32_t kHeight = 330;
// The colour button and the views that stand for no parameter: tags that are no parameter's
// index (0..24).
constexpr int32_t kColourTag = 25;
constexpr int32_t kNoParamTag = 26;
constexpr int32_t kTrackingTag = 27;  // the head button: head tracking on or off
static_assert(kColourTag >= kNumParams && kNoParamTag >= kNumParams && kTrackingTag >= kNumParams);

enum class ViewKind {
  kLogo,          // the title strip's logo, under the about picture
  kAboutPicture,  // the splash screen that shows the about picture when clicked
  kSpect,         // the response display
  kEnvelope,      // the envelope editor
  kKnob,          // a parameter knob
  kNameLabel,     // the parameter's name under its knob
  kTextButton,    // a lamp button for a parameter
  kMeter,         // the output level meter
  kColourButton,  // recolours the panel
  kBottomLabel,   // the status line at the bottom: the set that plays, refusals, version
  kSlider,        // a vertical parameter slider
};

struct ViewSpec {
  ViewKind kind;
  VSTGUI::CRect box;
  int32_t tag;  // the parameter index, kColourTag or kNoParamTag
  const char* caption = nullptr;
  // Knobs: the range their own display shows, and whether it shows whole numbers.
  float displayMin = 0.0f;
  float displayMax = 1.0f;
  bool integerDisplay = false;
};

// Index of each view in kViews and in the frame.
enum Slot : int32_t {
  kLogo,
  kAboutPicture,
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
  kElevationSlider,
  kTrackingButton,
  kNumViews,
};

using VSTGUI::CRect;
inline constexpr ViewSpec kViews[kNumViews] = {
    {ViewKind::kLogo, CRect(5, 5, 430, 31), kNoParamTag, "+ q u e n d r a l"},
    {ViewKind::kAboutPicture, CRect(5, 5, 430, 26), kNoParamTag},
    {ViewKind::kSpect, CRect(5, 33, 205, 233), kNoParamTag},
    {ViewKind::kEnvelope, CRect(210, 33, 410, 233), kNoParamTag},
    {ViewKind::kKnob, CRect(5, 234, 71, 300), kParamAngle, nullptr, -180.0f, 180.0f},
    {ViewKind::kNameLabel, CRect(5, 300, 65, 315), kParamAngle},
    {ViewKind::kKnob, CRect(75, 234, 141, 300), kParamGain, nullptr, -12.0f, 12.0f},
    {ViewKind::kNameLabel, CRect(75, 300, 135, 315), kParamGain},
    {ViewKind::kTextButton, CRect(142, 240, 207, 258), kParamFilterNumber, "filt one"},
    {ViewKind::kTextButton, CRect(142, 263, 207, 281), kParamFilterNumber, "filt two"},
    {ViewKind::kTextButton, CRect(142, 286, 207, 304), kParamMidiLfoTempo, "lfo sync"},
    {ViewKind::kKnob, CRect(210, 234, 276, 300), kParamLfoPosition, nullptr, 0.0f, 1.0f},
    {ViewKind::kNameLabel, CRect(210, 300, 270, 315), kParamLfoPosition},
    {ViewKind::kKnob, CRect(280, 234, 346, 300), kParamLfoSpeed, nullptr, -1.0f, 1.0f},
    {ViewKind::kNameLabel, CRect(280, 300, 340, 315), kParamLfoSpeed},
    {ViewKind::kKnob, CRect(350, 234, 416, 300), kParamLfoDivide, nullptr, 1.0f, 11.0f, true},
    {ViewKind::kNameLabel, CRect(350, 300, 410, 315), kParamLfoDivide},
    {ViewKind::kMeter, CRect(415, 35, 432, 253), kNoParamTag},
    {ViewKind::kColourButton, CRect(415, 300, 432, 317), kColourTag, ""},
    {ViewKind::kBottomLabel, CRect(0, 320, 435, 330), kParamOwnSet},
    // Below the meter, beside the divider knob: the only free strip of the panel.
    {ViewKind::kSlider, CRect(416, 255, 432, 299), kParamElevation},
    // In the title strip, between the maker's name and the plug-in's.
    {ViewKind::kTextButton, CRect(166, 8, 226, 26), kTrackingTag, "head"},
};

// Views that share pixels by design: the about picture covers the logo's upper part, the
// divider knob's top right corner reaches under the meter, and the head button sits on the
// title strip.
inline constexpr Slot kOverlappingPairs[][2] = {{kLogo, kAboutPicture},
                                                {kDivideKnob, kMeter},
                                                {kLogo, kTrackingButton},
                                                {kAboutPicture, kTrackingButton}};

}  // namespace panel

}  // namespace panner
