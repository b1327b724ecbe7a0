// CViewContainer: a view holding child views, drawn in the order they were added; presses
// go to the last-added child under the pointer.
#pragma once

#include <vector>

#include "gui/c_view.h"

namespace VSTGUI {

class CViewContainer : public CView {
 public:
  explicit CViewContainer(const CRect& size);
  ~CViewContainer() override;  // forgets every child

  // Adds a child on top of the others; the container takes over the caller's reference.
  // A null view is ignored.
  virtual void addView(CView* view);
  // Removes a child; forgets it when withForget is true. Unknown views are ignored.
  virtual void removeView(CView* view, bool withForget = true);
  virtual void removeAll(bool withForget = true);
  bool isChild(const CView* view) const;
  int32_t getNbViews() const { return static_cast<int32_t>(children_.size()); }
  CView* getView(int32_t index) const;

  void setBackgroundColor(const CColor& color) { backgroundColor_ = color; }
  const CColor& getBackgroundColor() const { return backgroundColor_; }

  // Fills the background colour, then draws every child.
  void draw(CDrawContext* context) override;
  void drawRect(CDrawContext* context, const CRect& updateRect) override;
  // Offers the press to the children from the last added to the first: the first that is
  // mouse-enabled and whose hitTest passes gets it.
  void mouse(CDrawContext* context, CPoint& where, int32_t buttons = -1) override;
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
  // Updates every child (each draws itself if dirty).
  void update(CDrawContext* context) override;
  bool isDirty() const override;
  void setFrame(CFrame* frame) override;

  // The last-added mouse-enabled child under the point, or null.
  CView* getViewAt(const CPoint& where, int32_t buttons = -1) const;

 protected:
  std::vector<CView*> children_;
  CColor backgroundColor_ = kWhiteCColor;
};

}  // namespace VSTGUI
