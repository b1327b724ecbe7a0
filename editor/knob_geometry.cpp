#include "knob_geometry.h"

#include <cmath>

namespace panner {

namespace knob {

namespace {
constexpr float kDegToRad = 3.14159265358979f / 180.0f;
}

float ringStart(float value) { return 300.0f * value - 120.0f; }

float wrapOnce(float degrees) {
  if (degrees < 0.0f) return degrees + 360.0f;
  if (degrees >= 360.0f) return degrees - 360.0f;
  return degrees;
}

Box dotBox(int32_t left, int32_t top, int32_t rw, int32_t rh, float ring, float tDegrees) {
  const auto half = static_cast<int32_t>(ring * 0.5f);
  const float t = tDegrees * kDegToRad;
  const float x = static_cast<float>(
      left +
      static_cast<int32_t>((std::sin(t) + 1.0f) * 0.5f * static_cast<float>(rw - 2 * half) + 0.5f));
  const float y = static_cast<float>(
      top +
      static_cast<int32_t>((1.0f - std::cos(t)) * 0.5f * static_cast<float>(rh - 2 * half) + 0.5f));
  return {static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x + ring),
          static_cast<int32_t>(y + ring)};
}

Drag::Drag(float entryValue, int32_t pressX, int32_t pressY, float heightPx, float minimum,
           float maximum, float slowdown, bool fineAtPress)
    : entry(entryValue),
      x0(pressX),
      y0(pressY),
      height(heightPx > 0.0f ? heightPx : 1.0f),
      span(maximum - minimum),
      fineFactor(slowdown > 0.0f ? slowdown : 1.0f),
      fineHeld(fineAtPress),
      coef(rate(fineAtPress)) {}

float Drag::rate(bool fineNow) const {
  return fineNow ? span / (height * fineFactor) : span / height;
}

float Drag::update(int32_t x, int32_t y, bool fineNow) {
  const auto diff = static_cast<float>((x - x0) - (y - y0));
  if (fineNow != fineHeld) {
    const float coef2 = rate(fineNow);
    entry += diff * (coef - coef2);
    coef = coef2;
    fineHeld = fineNow;
  }
  return entry + diff * coef;
}

}  // namespace knob

}  // namespace panner
