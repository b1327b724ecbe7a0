#include "gui/c_view_container.h"

#include <algorithm>

#include "gui/c_draw_context.h"

namespace VSTGUI {

CViewContainer::CViewContainer(const CRect& size) : CView(size) {}

CViewContainer::~CViewContainer() { removeAll(true); }

void CViewContainer::addView(CView* view) {
  if (!view || isChild(view)) return;
  children_.push_back(view);
  view->setFrame(frame_);
}

void CViewContainer::removeView(CView* view, bool withForget) {
  auto it = std::find(children_.begin(), children_.end(), view);
  if (it == children_.end()) return;
  children_.erase(it);
  if (withForget) view->forget();
}

void CViewContainer::removeAll(bool withForget) {
  // Take the list first: a child's destructor may look at the container.
  std::vector<CView*> views;
  views.swap(children_);
  if (withForget) {
    for (CView* view : views) view->forget();
  }
}

bool CViewContainer::isChild(const CView* view) const {
  return std::find(children_.begin(), children_.end(), view) != children_.end();
}

CView* CViewContainer::getView(int32_t index) const {
  if (index < 0 || index >= getNbViews()) return nullptr;
  return children_[static_cast<size_t>(index)];
}

void CViewContainer::draw(CDrawContext* context) {
  context->setFillColor(backgroundColor_);
  context->setFrameColor(backgroundColor_);
  context->fillRect(size_);
  CView::draw(context);
  for (CView* view : children_) {
    view->draw(context);
    view->setDirty(false);
  }
  setDirty(false);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
  context->setFillColor(backgroundColor_);
  context->fillRect(updateRect);
  for (CView* view : children_) {
    if (view->getViewSize().overlaps(updateRect)) {
      view->drawRect(context, updateRect);
      view->setDirty(false);
    }
  }
}

CView* CViewContainer::getViewAt(const CPoint& where, int32_t buttons) const {
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if ((*it)->getMouseEnabled() && (*it)->hitTest(where, buttons)) return *it;
  }
  return nullptr;
}

void CViewContainer::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  CView* view = getViewAt(where, buttons);
  if (!view) return;
  // A view may be removed from the tree by its own press (a splash screen closing):
  // keep it alive until the press is over.
  view->remember();
  view->mouse(context, where, buttons);
  view->forget();
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
  CView* view = getViewAt(where);
  return view ? view->onWheel(context, where, distance) : false;
}

void CViewContainer::update(CDrawContext* context) {
  for (CView* view : children_) view->update(context);
}

bool CViewContainer::isDirty() const {
  if (dirty_) return true;
  return std::any_of(children_.begin(), children_.end(),
                     [](const CView* v) { return v->isDirty(); });
}

void CViewContainer::setFrame(CFrame* frame) {
  CView::setFrame(frame);
  for (CView* view : children_) view->setFrame(frame);
}

}  // namespace VSTGUI
