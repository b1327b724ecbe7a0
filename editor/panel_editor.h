// PanelEditor: the plug-in's editor as every format sees it, bound to the view framework
// and to the core, knowing no plug-in format. Owns the frame between open and close,
// redraws dirty views when the host idles, passes edit gestures to the core (which tells
// the host), and runs the idle pump that keeps the panel and the host responsive while a
// control follows the mouse. Each format's editor interface (the VST2 AEffGUIEditor, the
// VST3 view, the LV2 UI) opens, idles and closes one of these.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "editor/own_set_loader.h"
#include "gui/c_frame.h"
#include "gui/frame_owner.h"
#include "gui/vector_graphics.h"

namespace panner {

class QuendralCore;

class PanelEditor : public VSTGUI::CFrameOwner {
 public:
  PanelEditor(QuendralCore& owner, int32_t panelWidth, int32_t panelHeight);
  ~PanelEditor() override;
  PanelEditor(const PanelEditor&) = delete;
  PanelEditor& operator=(const PanelEditor&) = delete;

  // The panel's layout size in panel units.
  int32_t width() const { return panelWidth; }
  int32_t height() const { return panelHeight; }

  // The scale the panel is shown at, 1 to 3: the size the user chose on the panel (saved
  // with the project), else the host's (setHostScale), else the system's for the screen
  // the host runs on. Hosts ask for the window size before they open the editor, so this
  // is known while the panel is closed too.
  double scale() const;
  // The window's size in pixels at that scale (what each format reports as its size).
  int32_t windowWidth() const;
  int32_t windowHeight() const;
  // The host's word on the scale (VST3 content scale, CLAP gui scale, LV2 scale factor);
  // 0 when it says nothing. An open panel follows a change at its next idle.
  void setHostScale(double hostScale);
  // The size the user chose on the panel in percent (100 to 300), or 0 for the host's or
  // the system's; the open panel follows it at its next idle.
  void chooseSize(int32_t percent);
  // How the format asks the host to give the panel's window a new size in pixels: called
  // when the open panel changes scale, before it reopens at the new size. Returns whether
  // the host agreed; the panel takes the new size either way, as its window is its own.
  void setResizeRequest(std::function<bool(int32_t, int32_t)> request);
  // Called once the panel has reopened at a new scale (its window, and with it the window
  // system's descriptor, are new).
  void setReopened(std::function<void()> reopened);

  // Builds the panel in a child of the host's window (an X11 Window id cast to a pointer
  // on Linux, an HWND on Windows). The base only records the window.
  virtual bool open(void* parentWindow);
  // Builds the panel without a window, drawing into an in-memory image (tests, snapshots).
  virtual bool openHeadless() { return false; }
  // Destroys the frame and with it every view.
  virtual void close();
  bool isOpen() const { return hostWindow != nullptr || frame != nullptr; }
  // The descriptor the open panel's window events arrive on (the X connection), or -1:
  // formats without an idle call have their host's run loop watch it and call idle().
  int eventFileDescriptor() const;
  // Redraws the frame's dirty views, unless the idle pump is running the host's idle.
  virtual void idle();
  // Every parameter change, from the host, MIDI, a program change or the editor itself.
  // May be called on the audio thread: an override must not block or allocate.
  virtual void setParameter(int32_t /*index*/, float /*value*/) {}

  // Keys and the wheel from hosts that deliver them; 1/true when the panel used them.
  bool onKeyDown(int32_t character, int32_t virtualKey, int32_t modifiers);
  bool onKeyUp(int32_t character, int32_t virtualKey, int32_t modifiers);
  bool onWheel(float distance);
  static void setKnobMode(int32_t mode) { VSTGUI::CFrame::setKnobMode(mode); }

  // CFrameOwner: a control's edit gesture goes to the core and from there to the host.
  void beginEdit(int index) override;
  void endEdit(int index) override;
  // The idle pump: at most one full pass (editor idle and host idle) per 50 to 100 ms;
  // calls in between sleep 4 ms, so a mouse-tracking loop does not spin.
  void doIdleStuff() override;
  // A file dropped on the panel becomes the own set: the first of several is taken. The
  // adapter may take it (the LV2 build sends it to its plug-in); otherwise it loads on
  // the loader's thread, and once loaded, "own set" is switched on as a user edit.
  void filesDropped(const std::vector<std::string>& paths) override;
  // The window moved to a screen of another scale: asked of the system again.
  void systemScaleChanged() override;
  const OwnSetLoader& getOwnSetLoader() const { return loader; }

  VSTGUI::CFrame* getFrame() const { return frame; }
  QuendralCore& getCore() const { return core; }
  // Milliseconds of a monotonic clock, wrapping at 2^32.
  static uint32_t tickCount();
  // Whether tick a lies before tick b. Compared through their difference, so that the
  // pump keeps running full passes when the tick count wraps.
  static bool tickBefore(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

 protected:
  // Makes the frame: in a child of the host's window, or headless, drawing into an image
  // (the view framework's windowless backend, for tests and snapshots).
  VSTGUI::CFrame* makeFrame(void* parent, bool headless);
  // Applies the end of a load: switches "own set" on after a set was loaded.
  void finishOwnSetLoad();
  // Reopens the panel at the scale now in force when the open frame has another, once no
  // press is being handled (a press may be what changed it).
  void followScale();

  QuendralCore& core;
  // Started for the editor's whole life; destroyed after the destructor has closed the frame.
  VSTGUI::VectorGraphicsLibrary vectorGraphics;
  int32_t panelWidth;
  int32_t panelHeight;
  void* hostWindow = nullptr;
  uint32_t lastPumpTime = 0;
  bool inPump = false;
  VSTGUI::CFrame* frame = nullptr;
  // After the frame: a load in progress ends before the frame goes.
  OwnSetLoader loader{core};
  std::string queuedPath;  // dropped while another file loaded
  double hostScale = 0.0;
  mutable double systemScaleValue = 0.0;  // asked of the system when first needed
  std::function<bool(int32_t, int32_t)> resizeRequest;
  std::function<void()> reopenedCallback;
};

}  // namespace panner
