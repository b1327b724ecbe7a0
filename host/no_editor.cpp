// Definition of the editor factory for builds without an editor: no editor, no flag.
#include "editor_factory.h"

AEffEditor* createPluginEditor(quendral&) { return nullptr; }
