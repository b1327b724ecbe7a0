#include "gui/c_view.h"

#include "gui/c_bitmap.h"
#include "gui/c_draw_context.h"

namespace VSTGUI {

CView::CView(const CRect& size) : size_(size), mouseableArea_(size) {}

CView::~CView() {
  if (background_) background_->forget();
}

void CView::draw(CDrawContext* context) {
  if (background_) background_->draw(context, size_);
  setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect& updateRect) {
  (void)updateRect;
  draw(context);
}

void CView::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  (void)context;
  (void)where;
  (void)buttons;
}

bool CView::hitTest(const CPoint& where, int32_t buttons) {
  (void)buttons;
  return mouseableArea_.pointInside(where);
}

void CView::update(CDrawContext* context) {
  if (isDirty()) {
    draw(context);
    setDirty(false);
  }
}

bool CView::onWheel(CDrawContext* context, const CPoint& where, float distance) {
  (void)context;
  (void)where;
  (void)distance;
  return false;
}

void CView::setViewSize(const CRect& rect) {
  size_ = rect;
  setDirty();
}

void CView::setBackground(CBitmap* background) {
  if (background) background->remember();
  if (background_) background_->forget();
  background_ = background;
  setDirty();
}

}  // namespace VSTGUI
