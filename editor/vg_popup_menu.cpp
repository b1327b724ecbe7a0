#include "editor/vg_popup_menu.h"

#include "editor/ars_draw_context.h"
#include "gui/c_frame.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr CColor kChosen{203, 0, 40, 255};
}  // namespace

// The menu itself: the frame's modal view, offered every press while shown.
class VGPopupMenu : public VSTGUI::CView {
 public:
  VGPopupMenu(VGMenuOpener& owner, const CRect& box) : CView(box), opener(owner) {}

  void draw(VSTGUI::CDrawContext* context) override {
    const int32_t w = size_.width();
    const int32_t h = size_.height();
    auto* dc = new ARSDrawContext(context->getFrame(), w, h, VSTGUI::kWhiteCColor,
                                  CPoint(size_.left, size_.top));
    dc->setFillColor(VSTGUI::kWhiteCColor);
    dc->fillRect(CRect(0, 0, w, h));
    dc->setFrameColor(VSTGUI::kBlackCColor);
    dc->drawRect(CRect(0, 0, w - 1, h - 1));
    dc->setFont(0, 11, 0);
    const std::vector<MenuRow> rows = opener.rows();
    for (int32_t index = 0; index < static_cast<int32_t>(rows.size()); ++index) {
      const MenuRow& row = rows[static_cast<size_t>(index)];
      CRect box = opener.rowBox(index);
      box.offset(-size_.left, -size_.top);
      if (row.marked) {
        dc->setFillColor(kChosen);
        dc->fillRect(CRect(box.left + 1, box.top, box.right - 2, box.bottom));
      }
      dc->setFontColor(row.marked ? VSTGUI::kWhiteCColor : VSTGUI::kBlackCColor);
      dc->drawString(row.text.c_str(), CRect(box.left + 6, box.top, box.right, box.bottom), false,
                     VSTGUI::kLeftText);
      if (!row.right.empty())
        dc->drawString(row.right.c_str(), CRect(box.left, box.top, box.right - 6, box.bottom),
                       false, VSTGUI::kRightText);
    }
    dc->copyFrom(context, size_, CPoint(0, 0));
    dc->forget();
    setDirty(false);
  }

  bool hitTest(const CPoint&, int32_t) override { return true; }

  // A left press on a row runs it; the menu closes unless the row keeps it shown, and any
  // other press closes it.
  void mouse(VSTGUI::CDrawContext*, CPoint& where, int32_t buttons) override {
    bool staysShown = false;
    if (buttons & VSTGUI::kLButton) {
      const std::vector<MenuRow> rows = opener.rows();
      for (int32_t index = 0; index < static_cast<int32_t>(rows.size()); ++index) {
        const CRect box = opener.rowBox(index);
        const MenuRow& row = rows[static_cast<size_t>(index)];
        if (!box.pointInside(where) || !row.press) continue;
        staysShown = row.press((where.x - box.left) / static_cast<double>(box.width()), buttons);
      }
    }
    if (staysShown) {
      setDirty(true);
    } else {
      opener.closeMenu();
    }
  }

 private:
  VGMenuOpener& opener;
};

VGMenuOpener::VGMenuOpener(const CRect& strip, int32_t left, int32_t top, int32_t width,
                           std::function<std::vector<MenuRow>()> menuRows)
    : CView(strip), menuLeft(left), menuTop(top), menuWidth(width), rows(std::move(menuRows)) {}

VGMenuOpener::~VGMenuOpener() {
  if (menu != nullptr) {
    if (frame_ != nullptr && frame_->getModalView() == menu) frame_->setModalView(nullptr);
    menu->forget();
  }
}

void VGMenuOpener::draw(VSTGUI::CDrawContext*) { setDirty(false); }

bool VGMenuOpener::hitTest(const CPoint& where, int32_t buttons) {
  return buttons != -1 && (buttons & VSTGUI::kRButton) && CView::hitTest(where, buttons);
}

void VGMenuOpener::mouse(VSTGUI::CDrawContext*, CPoint&, int32_t) {
  if (frame_ == nullptr || frame_->getModalView() != nullptr) return;
  const auto count = static_cast<int32_t>(rows().size());
  if (menu != nullptr) menu->forget();
  menu = new VGPopupMenu(
      *this, CRect(menuLeft, menuTop, menuLeft + menuWidth, menuTop + count * kRowHeight + 4));
  frame_->setModalView(menu);
}

bool VGMenuOpener::isMenuShown() const {
  return menu != nullptr && frame_ != nullptr && frame_->getModalView() == menu;
}

CRect VGMenuOpener::rowBox(int32_t index) const {
  const int32_t top = menuTop + 2 + index * kRowHeight;
  return CRect(menuLeft, top, menuLeft + menuWidth, top + kRowHeight);
}

void VGMenuOpener::closeMenu() {
  if (!isMenuShown()) return;
  frame_->setModalView(nullptr);
  frame_->setDirty(true);
}

}  // namespace panner
