#include "quendral_editor.h"

#include "quendral.h"

namespace panner {

quendraleditor::quendraleditor(quendral* owner, PanelEditor& corePanel)
    : AEffGUIEditor(owner, corePanel) {}

}  // namespace panner
