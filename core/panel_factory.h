// The core creates its panel through this one function, so core/ does not depend on the
// editor's classes. Whatever links the panel links its definition
// (editor/panel_factory.cpp); a null answer leaves the plug-in without an editor.
#pragma once

#include <memory>

namespace panner {

class PanelEditor;
class QuendralCore;

std::unique_ptr<PanelEditor> createPanelEditor(QuendralCore& core);

}  // namespace panner
