// Definition of the editor factory for builds without an editor: no editor, no flag.
#include "editor_factory.h"

namespace panner {

AEffEditor* createPluginEditor(quendral&) { return nullptr; }

}  // namespace panner
