// A small menu drawn over the panel until the next press, opened by a right press on a
// strip of the panel (the strip draws nothing itself, and its left presses fall through to
// the views beneath). Its rows are asked for each time it is drawn or pressed, so it shows
// the settings as they are: the panel's size, head tracking's settings.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gui/c_view.h"

namespace panner {

struct MenuRow {
  std::string text;
  bool marked = false;  // drawn as the choice in force
  std::string right;    // drawn at the row's right end ("-   +" for a stepper)
  // A press on the row: where along it (0 at its left edge, 1 at its right) and the
  // buttons with their modifier keys. Returns whether the menu stays shown.
  std::function<bool(double along, int32_t buttons)> press;
};

class VGPopupMenu;

class VGMenuOpener : public VSTGUI::CView {
 public:
  static constexpr int32_t kRowHeight = 15;

  // `strip`: where right presses open it; `menuLeft`/`menuTop`/`menuWidth`: where the
  // menu is drawn (its height follows its rows).
  VGMenuOpener(const VSTGUI::CRect& strip, int32_t menuLeft, int32_t menuTop, int32_t menuWidth,
               std::function<std::vector<MenuRow>()> rows);
  ~VGMenuOpener() override;

  void draw(VSTGUI::CDrawContext* context) override;
  bool hitTest(const VSTGUI::CPoint& where, int32_t buttons = -1) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  bool isMenuShown() const;
  // The panel rectangle of row `index`.
  VSTGUI::CRect rowBox(int32_t index) const;
  // Hides the menu (the frame redraws whole at its next idle).
  void closeMenu();

 private:
  friend class VGPopupMenu;
  int32_t menuLeft, menuTop, menuWidth;
  std::function<std::vector<MenuRow>()> rows;
  VGPopupMenu* menu = nullptr;
};

}  // namespace panner
