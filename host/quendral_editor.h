// quendraleditor: the VST 2.4 face of the plug-in's panel (QuendralPanel). The host opens,
// idles and closes it through the editor opcodes; the panel does the work. Lower case on
// purpose, like the plug-in class quendral (glossary: docs/code-map.md).
#pragma once

#include <cstdint>

#include "aeff_gui_editor.h"
#include "editor/quendral_panel.h"

namespace panner {

class quendral;

class quendraleditor : public AEffGUIEditor {
 public:
  static constexpr int32_t kWidth = QuendralPanel::kWidth;
  static constexpr int32_t kHeight = QuendralPanel::kHeight;
  static constexpr int32_t kNumViews = QuendralPanel::kNumViews;
  static constexpr int32_t kColourTag = QuendralPanel::kColourTag;
  static constexpr int32_t kNoParamTag = QuendralPanel::kNoParamTag;

  // The panel must be a QuendralPanel (the core's panel); it outlives this editor.
  quendraleditor(quendral* owner, PanelEditor& corePanel);

  // Builds the panel without a window, drawing into an in-memory image (tests, benchmarks).
  bool openHeadless() { return panel.openHeadless(); }

  VSTGUI::CView* getView(int32_t index) const { return quendralPanel().getView(index); }
  const ColourSet& getColours() const { return quendralPanel().getColours(); }
  const SpectrumDisplayData& getSpectrumData() const { return quendralPanel().getSpectrumData(); }
  const OwnSetLoader& getOwnSetLoader() const { return panel.getOwnSetLoader(); }

 private:
  const QuendralPanel& quendralPanel() const { return static_cast<const QuendralPanel&>(panel); }
};

}  // namespace panner
