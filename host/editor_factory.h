// The plug-in creates its editor through this one function, so host/ does not depend on
// editor/. The shipped plug-in links the editor's definition; builds without an editor
// link no_editor.cpp, which returns null (the plug-in then reports no editor).
#pragma once

namespace panner {

class AEffEditor;
class quendral;

AEffEditor* createPluginEditor(quendral& plugin);

}  // namespace panner
