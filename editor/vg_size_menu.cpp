#include "editor/vg_size_menu.h"

#include <cstdio>

#include "editor/ars_draw_context.h"
#include "gui/c_frame.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {

constexpr int32_t kRowHeight = 15;
// Below the title strip at the panel's right edge, over the response display's corner.
constexpr CRect kMenuBox(340, 31, 430, 31 + VGSizeMenuOpener::kNumSizes * kRowHeight + 4);
constexpr CColor kChosen{203, 0, 40, 255};

}  // namespace

// The menu itself: the frame's modal view, offered every press while shown.
class VGSizeMenu : public VSTGUI::CView {
 public:
  explicit VGSizeMenu(VGSizeMenuOpener& owner) : CView(kMenuBox), opener(owner) {}

  void draw(VSTGUI::CDrawContext* context) override {
    const int32_t w = size_.width();
    const int32_t h = size_.height();
    auto* dc = new ARSDrawContext(context->getFrame(), w, h, VSTGUI::kWhiteCColor,
                                  CPoint(size_.left, size_.top));
    dc->setFillColor(VSTGUI::kWhiteCColor);
    dc->fillRect(CRect(0, 0, w, h));
    dc->setFrameColor(VSTGUI::kBlackCColor);
    dc->drawRect(CRect(0, 0, w - 1, h - 1));
    const int32_t chosen = opener.current ? opener.current() : 0;
    dc->setFont(0, 11, 0);
    for (int32_t percent : VGSizeMenuOpener::kSizes) {
      CRect row = VGSizeMenuOpener::rowOf(percent);
      row.offset(-size_.left, -size_.top);
      if (percent == chosen) {
        dc->setFillColor(kChosen);
        dc->fillRect(CRect(row.left + 1, row.top, row.right - 2, row.bottom));
      }
      dc->setFontColor(percent == chosen ? VSTGUI::kWhiteCColor : VSTGUI::kBlackCColor);
      char text[24];
      if (percent == 0) {
        std::snprintf(text, sizeof text, "screen's size");
      } else {
        std::snprintf(text, sizeof text, "%d%%", static_cast<int>(percent));
      }
      dc->drawString(text, CRect(row.left + 6, row.top, row.right, row.bottom), false,
                     VSTGUI::kLeftText);
    }
    dc->copyFrom(context, size_, CPoint(0, 0));
    dc->forget();
    setDirty(false);
  }

  bool hitTest(const CPoint&, int32_t) override { return true; }

  // A press on a row chooses its size; any press closes the menu.
  void mouse(VSTGUI::CDrawContext*, CPoint& where, int32_t buttons) override {
    if (buttons & VSTGUI::kLButton) {
      for (int32_t percent : VGSizeMenuOpener::kSizes) {
        if (VGSizeMenuOpener::rowOf(percent).pointInside(where) && opener.choose)
          opener.choose(percent);
      }
    }
    opener.closeMenu();
  }

 private:
  VGSizeMenuOpener& opener;
};

VGSizeMenuOpener::VGSizeMenuOpener(const CRect& strip, std::function<int32_t()> currentSize,
                                   std::function<void(int32_t)> chooseSize)
    : CView(strip), current(std::move(currentSize)), choose(std::move(chooseSize)) {}

VGSizeMenuOpener::~VGSizeMenuOpener() {
  if (menu != nullptr) {
    if (frame_ != nullptr && frame_->getModalView() == menu) frame_->setModalView(nullptr);
    menu->forget();
  }
}

void VGSizeMenuOpener::draw(VSTGUI::CDrawContext*) { setDirty(false); }

bool VGSizeMenuOpener::hitTest(const CPoint& where, int32_t buttons) {
  return buttons != -1 && (buttons & VSTGUI::kRButton) && CView::hitTest(where, buttons);
}

void VGSizeMenuOpener::mouse(VSTGUI::CDrawContext*, CPoint&, int32_t) {
  if (frame_ == nullptr || frame_->getModalView() != nullptr) return;
  if (menu == nullptr) menu = new VGSizeMenu(*this);
  frame_->setModalView(menu);
}

bool VGSizeMenuOpener::isMenuShown() const {
  return menu != nullptr && frame_ != nullptr && frame_->getModalView() == menu;
}

CRect VGSizeMenuOpener::rowOf(int32_t percent) {
  int32_t index = 0;
  while (index < kNumSizes && kSizes[index] != percent) ++index;
  const int32_t top = kMenuBox.top + 2 + index * kRowHeight;
  return CRect(kMenuBox.left, top, kMenuBox.right, top + kRowHeight);
}

void VGSizeMenuOpener::closeMenu() {
  if (!isMenuShown()) return;
  frame_->setModalView(nullptr);
  frame_->setDirty(true);
}

}  // namespace panner
