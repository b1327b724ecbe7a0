// Two reports of one plug-in, written on two platforms by the same report tool, compared:
// every text line equal, every sample within 1e-6. Prints the largest sample difference.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace quendral_test {

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
