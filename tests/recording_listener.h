// A control listener and frame owner that record what the controls tell them.
#pragma once

#include <vector>

#include "gui/c_control.h"
#include "gui/c_frame.h"
#include "gui/frame_owner.h"

struct RecordingListener : VSTGUI::CControlListener {
  struct Change {
    VSTGUI::CControl* control;
    float value;
  };
  std::vector<Change> changes;
  std::vector<int32_t> modifierMasks;
  int32_t modifierAnswer = 0;

  void valueChanged(VSTGUI::CDrawContext*, VSTGUI::CControl* control) override {
    changes.push_back({control, control->getValue()});
  }
  int32_t modifierClick(VSTGUI::CDrawContext*, VSTGUI::CControl*, int32_t buttons) override {
    modifierMasks.push_back(buttons);
    return modifierAnswer;
  }
};

struct RecordingOwner : VSTGUI::CFrameOwner {
  std::vector<int> begun;
  std::vector<int> ended;
  int idles = 0;
  VSTGUI::CFrame* frame = nullptr;  // idled by doIdleStuff when set

  void beginEdit(int index) override { begun.push_back(index); }
  void endEdit(int index) override { ended.push_back(index); }
  void doIdleStuff() override {
    ++idles;
    if (frame) frame->idle();
  }
};
