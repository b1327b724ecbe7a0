// The host's frame around a plug-in's editor view. On Linux it also offers the host's run
// loop: VST3 editors there have no idle call, so a view registers timers and the X
// connection's file descriptor, and the host calls them back from its own event loop.
// This host's loop runs when the caller pumps it (pump), on the caller's thread.
#pragma once

#include <chrono>
#include <vector>

#include "host_objects.h"
#include "vst3_abi.h"

namespace vst3host {

class RunLoop : public vst3::IRunLoop {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override {
    return answerQuery<vst3::IRunLoop>(this, interfaceId, obj);
  }
  vst3::uint32 VST3_CALL addRef() override { return count_.up(); }
  vst3::uint32 VST3_CALL release() override { return count_.down(); }
  vst3::tresult VST3_CALL registerEventHandler(vst3::IEventHandler* handler,
                                               vst3::FileDescriptor fd) override;
  vst3::tresult VST3_CALL unregisterEventHandler(vst3::IEventHandler* handler) override;
  vst3::tresult VST3_CALL registerTimer(vst3::ITimerHandler* handler,
                                        vst3::TimerInterval milliseconds) override;
  vst3::tresult VST3_CALL unregisterTimer(vst3::ITimerHandler* handler) override;

  // Runs the loop for `milliseconds`: calls each file handler whose descriptor is readable
  // and each timer that is due. Returns at once with 0 when nothing is registered.
  void pump(int milliseconds);
  std::size_t handlerCount() const { return handlers_.size(); }
  std::size_t timerCount() const { return timers_.size(); }
  int timerCalls() const { return timerCalls_; }
  int eventCalls() const { return eventCalls_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Handler {
    vst3::IEventHandler* handler;
    vst3::FileDescriptor fd;
  };
  struct Timer {
    vst3::ITimerHandler* handler;
    Clock::duration interval;
    Clock::time_point due;
  };
  OwnedCount count_;
  std::vector<Handler> handlers_;
  std::vector<Timer> timers_;
  int timerCalls_ = 0;
  int eventCalls_ = 0;
};

class EditorFrame : public vst3::IPlugFrame {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override;
  vst3::uint32 VST3_CALL addRef() override { return count_.up(); }
  vst3::uint32 VST3_CALL release() override { return count_.down(); }
  vst3::tresult VST3_CALL resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) override;

  RunLoop& runLoop() { return runLoop_; }
  int resizeRequests() const { return resizeRequests_; }

 private:
  OwnedCount count_;
  RunLoop runLoop_;
  int resizeRequests_ = 0;
};

}  // namespace vst3host
