#include "editor/vg_elevation_slider.h"

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CRect;

namespace {

constexpr int32_t kHandle = 6;  // the handle's height: a bar across the groove
constexpr int32_t kGroove = 4;  // the groove's width
constexpr int32_t kMark = 3;    // the mark's width and half height

float confined(float value) {
  if (!(value >= 0.0f)) return 0.0f;  // NaN draws as 0
  return value > 1.0f ? 1.0f : value;
}

}  // namespace

VGElevationSlider::VGElevationSlider(const CRect& size, VSTGUI::CControlListener* listener,
                                     int32_t tag, const ColourSet& colourSet)
    : VGKnobBase(size, listener, tag, colourSet) {}

VGElevationSlider::~VGElevationSlider() = default;

void VGElevationSlider::setInUse(float value) {
  if (value == inUse) return;
  inUse = value;
  setDirty(true);
}

int32_t VGElevationSlider::centreFor(float value) const {
  const int32_t travel = height - 2 - kHandle;
  return 1 + kHandle / 2 + static_cast<int32_t>((1.0f - confined(value)) * travel + 0.5f);
}

void VGElevationSlider::draw(VSTGUI::CDrawContext* context) {
  if (context == nullptr) return;
  const ColourSet& c = *colours;
  ARSDrawContext* dc = beginPaint(context, VSTGUI::kWhiteCColor);

  // The groove, in colour 1 from the horizontal plane to the bar, as the knobs' rings
  // run from their start to the pointer; a dark line marks the plane.
  const int32_t middle = (kMark + width) / 2;  // of the room right of the mark
  const int32_t level = centreFor(0.5f);
  const int32_t y = centreFor(getValue());
  dc->setFillColor(lighten(c[1]));
  dc->fillRect(
      CRect(middle - kGroove / 2, 1 + kHandle / 2, middle + kGroove / 2, height - 1 - kHandle / 2));
  dc->setFillColor(c[1]);
  dc->fillRect(CRect(middle - kGroove / 2, y < level ? y : level, middle + kGroove / 2,
                     (y < level ? level : y) + 1));
  dc->setFillColor(darken(c[1]));
  dc->fillRect(CRect(kMark + 1, level, width - kMark - 1, level + 1));

  const int32_t inUseY = centreFor(inUse);
  dc->setFillColor(c[3]);
  dc->fillRect(CRect(0, inUseY - kMark / 2, kMark, inUseY + kMark / 2 + 1));

  const CRect handle(kMark + 1, y - kHandle / 2, width - 1, y + kHandle / 2);
  dc->setFillColor(c[2]);
  dc->fillRect(handle);
  dc->setFrameColor(darken(c[2]));
  dc->drawRect(handle);

  finishPaint(dc, context);
}

}  // namespace panner
