// The plug-in creates its editor through this one function, so host/ does not depend on
// editor/. The plug-in links the editor's definition (editor/editor_factory.cpp); a null
// answer makes the plug-in report no editor.
#pragma once

namespace panner {

class AEffEditor;
class quendral;

AEffEditor* createPluginEditor(quendral& plugin);

}  // namespace panner
