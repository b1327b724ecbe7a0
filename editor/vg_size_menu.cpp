#include "editor/vg_size_menu.h"

#include <string>
#include <vector>

namespace panner {

using VSTGUI::CRect;

namespace {

// Below the title strip at the panel's right edge, over the response display's corner.
constexpr int32_t kMenuLeft = 340, kMenuTop = 31, kMenuWidth = 90;

std::vector<MenuRow> sizeRows(const std::function<int32_t()>& current,
                              const std::function<void(int32_t)>& choose) {
  const int32_t chosen = current ? current() : 0;
  std::vector<MenuRow> rows;
  for (int32_t percent : VGSizeMenuOpener::kSizes) {
    MenuRow row;
    row.text = percent == 0 ? "screen's size" : std::to_string(percent) + "%";
    row.marked = percent == chosen;
    row.press = [choose, percent](double, int32_t) {
      if (choose) choose(percent);
      return false;
    };
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

VGSizeMenuOpener::VGSizeMenuOpener(const CRect& strip, std::function<int32_t()> current,
                                   std::function<void(int32_t)> choose)
    : VGMenuOpener(strip, kMenuLeft, kMenuTop, kMenuWidth,
                   [current = std::move(current), choose = std::move(choose)] {
                     return sizeRows(current, choose);
                   }) {}

CRect VGSizeMenuOpener::rowOf(int32_t percent) {
  int32_t index = 0;
  while (index < kNumSizes && kSizes[index] != percent) ++index;
  const int32_t top = kMenuTop + 2 + index * kRowHeight;
  return CRect(kMenuLeft, top, kMenuLeft + kMenuWidth, top + kRowHeight);
}

}  // namespace panner
