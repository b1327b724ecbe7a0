// What the report tools share: the noise every report renders (the same bytes on every
// system), and the comparison of two reports of one plug-in written on two platforms by the
// same tool: every text line equal, every sample within 1e-6.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quendral_test {

// A fixed noise in -0.25..0.25 from a linear congruential generator, bit for bit the same
// on every system and compiler.
inline std::vector<float> reportNoise(std::size_t frames) {
  std::vector<float> x(frames);
  uint32_t state = 12345;
  for (float& v : x) {
    state = state * 1664525u + 1013904223u;
    v = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 0.5f;
  }
  return x;
}

// 0 when the reports match, 1 otherwise (with the first difference on stderr).
inline int compareReports(const std::string& a, const std::string& b) {
  constexpr double kTolerance = 1e-6;
  std::ifstream left(a), right(b);
  std::string x, y;
  int line = 0;
  double worst = 0.0;
  while (true) {
    const bool gotLeft = static_cast<bool>(std::getline(left, x));
    const bool gotRight = static_cast<bool>(std::getline(right, y));
    ++line;
    if (!gotLeft && !gotRight) break;
    for (std::string* text : {&x, &y})
      if (!text->empty() && text->back() == '\r') text->pop_back();
    if (gotLeft != gotRight) {
      std::fprintf(stderr, "%s and %s differ in length at line %d\n", a.c_str(), b.c_str(), line);
      return 1;
    }
    if (x.rfind("samples", 0) != 0) {
      if (x != y) {
        std::fprintf(stderr, "line %d differs:\n  %s\n  %s\n", line, x.c_str(), y.c_str());
        return 1;
      }
      continue;
    }
    std::istringstream p(x.substr(7)), q(y.substr(7));
    double u = 0.0, v = 0.0;
    while (p >> u) {
      if (!(q >> v) || !(std::fabs(u - v) <= kTolerance)) {
        std::fprintf(stderr, "line %d: samples differ beyond %g:\n  %s\n  %s\n", line, kTolerance,
                     x.c_str(), y.c_str());
        return 1;
      }
      worst = std::max(worst, std::fabs(u - v));
    }
  }
  std::printf("reports match (%d lines, largest sample difference %g)\n", line - 1, worst);
  return 0;
}

}  // namespace quendral_test
