// The shipped plug-in's editor: the quendral panel.
#include "editor_factory.h"

#include "editor/quendral_editor.h"
#include "quendral.h"

namespace panner {

AEffEditor* createPluginEditor(quendral& plugin) { return new quendraleditor(&plugin); }

}  // namespace panner
