// CView: a rectangle of the window that draws itself and may take mouse presses.
// Classes of the view framework carry the prefix C (glossary: docs/code-map.md).
#pragma once

#include <cstdint>

#include "gui/c_reference_counter.h"
#include "gui/gui_types.h"

namespace VSTGUI {

class CBitmap;
class CDrawContext;
class CFrame;

class CView : public CReferenceCounter {
 public:
  explicit CView(const CRect& size);
  ~CView() override;  // drops the background bitmap

  virtual void draw(CDrawContext* context);
  // Draws the view for an update of updateRect (the view draws itself whole).
  virtual void drawRect(CDrawContext* context, const CRect& updateRect);
  // A press at `where` (window coordinates) with a button mask (-1: read it now).
  virtual void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1);
  virtual bool isDirty() const { return dirty_; }
  virtual void setDirty(bool value = true) { dirty_ = value; }
  virtual void setMouseEnabled(bool enabled = true) { mouseEnabled_ = enabled; }
  virtual bool getMouseEnabled() const { return mouseEnabled_; }
  // Whether the point lies in the mouse area.
  virtual bool hitTest(const CPoint& where, int32_t buttons = -1);
  // Draws the view if it is dirty, then marks it clean.
  virtual void update(CDrawContext* context);
  // Mouse wheel over the view; answers whether it was used.
  virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);

  void getViewSize(CRect& rect) const { rect = size_; }
  const CRect& getViewSize() const { return size_; }
  virtual void setViewSize(const CRect& rect);
  void getMouseableArea(CRect& rect) const { rect = mouseableArea_; }
  void setMouseableArea(const CRect& rect) { mouseableArea_ = rect; }
  int32_t getWidth() const { return size_.width(); }
  int32_t getHeight() const { return size_.height(); }

  // The frame the view lives in (set when it is added; null before).
  CFrame* getFrame() const { return frame_; }
  virtual void setFrame(CFrame* frame) { frame_ = frame; }

  // Optional background picture, drawn by the default draw(); the view keeps a reference.
  void setBackground(CBitmap* background);
  CBitmap* getBackground() const { return background_; }

 protected:
  CRect size_;
  CRect mouseableArea_;
  CFrame* frame_ = nullptr;
  bool dirty_ = false;
  bool mouseEnabled_ = true;
  CBitmap* background_ = nullptr;
};

}  // namespace VSTGUI
