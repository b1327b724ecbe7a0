// Intrusive reference count: the base of views, contexts and bitmaps.
#pragma once

namespace VSTGUI {

// Starts at one reference (the creator's). remember() adds one, forget() drops one and
// deletes the object when none is left.
class CReferenceCounter {
 public:
  CReferenceCounter() = default;
  CReferenceCounter(const CReferenceCounter&) = delete;
  CReferenceCounter& operator=(const CReferenceCounter&) = delete;
  virtual ~CReferenceCounter() = default;

  virtual void forget() {
    if (--nbReference_ <= 0) delete this;
  }
  virtual void remember() { ++nbReference_; }
  int getNbReference() const { return nbReference_; }

 private:
  int nbReference_ = 1;
};

}  // namespace VSTGUI
