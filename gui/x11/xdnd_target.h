// Files dragged onto the panel from a file manager, by the X drag-and-drop protocol
// (XDND, version 5). A drag source looks for XdndAware on the top-level window under the
// pointer, which is the host's, not ours: when the host's window does not take drops
// itself, it is given XdndAware and an XdndProxy naming our window, so the source's
// messages come to us. Our own window is XdndAware as well, for sources that look into
// child windows. Only text/uri-list is asked for, and a drop is accepted only while the
// pointer is over our window; the dropped URIs become local paths.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace VSTGUI {

class XdndTarget {
 public:
  // Marks `window` (a width x height window on `display`) and, where it may, the host's
  // top-level window above it.
  XdndTarget(Display* display, Window window, int width, int height);
  // Takes back what it put on the host's window, if that still names our window.
  ~XdndTarget();
  XdndTarget(const XdndTarget&) = delete;
  XdndTarget& operator=(const XdndTarget&) = delete;

  // Handles one event of the protocol (client messages, the selection's answer); false
  // for any other event. A completed drop fills `paths` (otherwise left empty).
  bool handle(const XEvent& event, std::vector<std::string>& paths);

  // The host's window that now forwards drops to ours (0 when none was needed or allowed).
  Window proxiedTopLevel() const { return proxiedTopLevel_; }
  // The host destroyed its window (and ours with it): nothing is left to take back. A
  // later panel in a surviving window replaces the stale forwarding.
  void windowsGone() { proxiedTopLevel_ = 0; }

 private:
  void onEnter(const XClientMessageEvent& message);
  void onPosition(const XClientMessageEvent& message);
  void onDrop(const XClientMessageEvent& message);
  void onSelection(const XSelectionEvent& selection, std::vector<std::string>& paths);
  void sendStatus(bool accept);
  void sendFinished(bool accepted);
  void sendToSource(Atom type, long l1, long l2, long l3, long l4);
  void reset();
  // The host's top-level window (the first ancestor with WM_STATE, or the child of the
  // root), or 0 when ours is a top-level window itself.
  Window findTopLevel() const;
  bool hasProperty(Window window, Atom property) const;
  Window readWindowProperty(Window window, Atom property) const;
  // Whether `window`'s XdndProxy names a window whose own XdndProxy names itself.
  bool forwardsToALiveProxy(Window window) const;

  Display* display_;
  Window window_;
  int width_;
  int height_;
  Window proxiedTopLevel_ = 0;

  Atom aware_, proxy_, enter_, position_, status_, leave_, drop_, finished_;
  Atom selection_, typeList_, actionCopy_, uriList_, wmState_, dropProperty_;

  // The drag in progress: its source, the window it addresses, the protocol version it
  // speaks, whether it offers a URI list, and whether the last position was accepted.
  Window source_ = 0;
  Window addressed_ = 0;
  int version_ = 0;
  bool offersUris_ = false;
  bool accepting_ = false;
  bool awaitingData_ = false;
};

// The local paths of a text/uri-list (RFC 2483): file: URIs on this machine, percent
// escapes decoded; comments, other schemes and other hosts' files are left out.
std::vector<std::string> localPathsOfUriList(const std::string& list);

}  // namespace VSTGUI
