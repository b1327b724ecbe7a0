// Placeholder until the modulator lands: fields only, no motion.
#include "angle_modulator.h"

AngleModulator::AngleModulator() {
  for (int i = 0; i < kPoints; ++i) {
    pointTimes[i].store(static_cast<float>(i) / 7.0f, std::memory_order_relaxed);
    pointValues[i].store(static_cast<float>(i) / 7.0f, std::memory_order_relaxed);
    positionScale[i].store(128.0f / 44100.0f, std::memory_order_relaxed);
    angleRate[i].store(0.0f, std::memory_order_relaxed);
  }
}

void AngleModulator::advanceModulator(TempoSource*) {}
void AngleModulator::rebuildSegmentRates() {}
void AngleModulator::placeOnEnvelope() {}
