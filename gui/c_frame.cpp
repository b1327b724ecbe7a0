#include "gui/c_frame.h"

#include "gui/c_draw_context.h"
#include "gui/frame_owner.h"
#include "gui/image/image_window.h"
#include "gui/pixel_grid.h"

namespace VSTGUI {

namespace {
int32_t gKnobMode = 0;

// Keeps a view alive for the duration of a call that may remove it from the tree.
struct ViewHold {
  explicit ViewHold(CView* v) : view(v) { view->remember(); }
  ~ViewHold() { view->forget(); }
  ViewHold(const ViewHold&) = delete;
  ViewHold& operator=(const ViewHold&) = delete;
  CView* view;
};
}  // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, CFrameOwner* editor, double scale)
    : CFrame(size,
             createPlatformWindow(parentWindow, scaledLength(size.width(), clampScale(scale)),
                                  scaledLength(size.height(), clampScale(scale))),
             editor, scale) {}

CFrame::CFrame(const CRect& size, std::unique_ptr<PlatformWindow> window, CFrameOwner* editor,
               double scale)
    : CViewContainer(size), window_(std::move(window)), editor_(editor), scale_(clampScale(scale)) {
  frame_ = this;
  dirty_ = true;  // the first idle draws everything
  if (window_) window_->setFrame(this);
}

CFrame::~CFrame() {
  modalView_ = nullptr;
  focusView_ = nullptr;
  if (window_) window_->setFrame(nullptr);
  removeAll(true);
  window_.reset();  // the window and its connection go after the views
}

CFrame* CFrame::createHeadless(const CRect& size, CFrameOwner* editor, double scale) {
  scale = clampScale(scale);
  return new CFrame(size,
                    std::make_unique<ImageWindow>(scaledLength(size.width(), scale),
                                                  scaledLength(size.height(), scale)),
                    editor, scale);
}

bool CFrame::hasWindow() const { return window_ && window_->isValid(); }

void CFrame::idle() {
  if (!hasWindow()) return;
  // Presses run their own tracking loops, which idle again: while one is handled only
  // exposures are taken from the queue.
  window_->processEvents(*this, !inPress_);
  if (inIdle_) return;
  inIdle_ = true;
  CDrawContext* context = createDrawContext();
  if (context) {
    if (dirty_) {
      draw(context);
      if (modalView_) modalView_->draw(context);
    } else {
      if (modalView_) modalView_->update(context);
      CViewContainer::update(context);
    }
    context->forget();
  }
  inIdle_ = false;
}

void CFrame::runIdle() {
  if (editor_) {
    editor_->doIdleStuff();
  } else {
    idle();
  }
}

void CFrame::drawAll() {
  CDrawContext* context = createDrawContext();
  if (!context) return;
  draw(context);
  if (modalView_) modalView_->draw(context);
  context->forget();
}

void CFrame::dispatchPress(const CPoint& where, int32_t buttons) {
  if (inPress_) return;
  CDrawContext* context = createDrawContext();
  if (!context) return;
  CPoint point(unitOfPixel(where.x, scale_), unitOfPixel(where.y, scale_));
  mouse(context, point, buttons);
  context->forget();
}

void CFrame::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  if (inPress_) return;
  inPress_ = true;
  focusView_ = nullptr;
  if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
  if (modalView_) {
    if (modalView_->hitTest(where, buttons)) {
      ViewHold hold(modalView_);
      hold.view->mouse(context, where, buttons);
    }
  } else {
    CViewContainer::mouse(context, where, buttons);
  }
  inPress_ = false;
}

bool CFrame::onWheel(float distance) {
  CDrawContext* context = createDrawContext();
  if (!context) return false;
  CPoint where;
  context->getMouseLocation(where);
  bool used = onWheel(context, where, distance);
  context->forget();
  return used;
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, float distance) {
  if (modalView_) return modalView_->onWheel(context, where, distance);
  return CViewContainer::onWheel(context, where, distance);
}

int32_t CFrame::onKeyDown(int32_t, int32_t, int32_t) { return -1; }
int32_t CFrame::onKeyUp(int32_t, int32_t, int32_t) { return -1; }

void CFrame::invalidate(const CRect& rect) {
  for (CView* view : children_) {
    if (view->getViewSize().overlaps(rect)) view->setDirty(true);
  }
  if (modalView_ && modalView_->getViewSize().overlaps(rect)) modalView_->setDirty(true);
}

void CFrame::setModalView(CView* view) {
  modalView_ = view;
  if (view) {
    view->setFrame(this);
    view->setDirty(true);
  }
}

void CFrame::beginEdit(int32_t index) {
  if (editor_) editor_->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
  if (editor_) editor_->endEdit(index);
}

void CFrame::filesDropped(const std::vector<std::string>& paths) {
  if (editor_ && !paths.empty()) editor_->filesDropped(paths);
}

void CFrame::systemScaleChanged() {
  if (editor_) editor_->systemScaleChanged();
}

CDrawContext* CFrame::createDrawContext() {
  if (!hasWindow()) return nullptr;
  void* surface = window_->createSurface();
  if (!surface) return nullptr;
  return new CDrawContext(this, surface);
}

int32_t CFrame::getMouseButtons() { return hasWindow() ? window_->getMouseButtons() : 0; }

CPoint CFrame::getMouseLocation() {
  if (!hasWindow()) return CPoint();
  const CPoint pixel = window_->getMouseLocation();
  return CPoint(unitOfPixel(pixel.x, scale_), unitOfPixel(pixel.y, scale_));
}

bool CFrame::getPixel(int32_t x, int32_t y, CColor& color) {
  uint32_t p = 0;
  if (!hasWindow() || !window_->readPixel(x, y, p)) return false;
  color = CColor{static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8),
                 static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 24)};
  return true;
}

void CFrame::setKnobMode(int32_t mode) { gKnobMode = mode; }
int32_t CFrame::getKnobMode() { return gKnobMode; }

}  // namespace VSTGUI
