// The plug-in's panel, made for its core.
#include "panel_factory.h"

#include "editor/quendral_panel.h"

namespace panner {

std::unique_ptr<PanelEditor> createPanelEditor(QuendralCore& core) {
  return std::make_unique<QuendralPanel>(core);
}

}  // namespace panner
