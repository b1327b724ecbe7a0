# The editor panel: geometry helpers (no window needed), the knobs, the envelope editor, the
# response display, the editor classes and the plug-in's editor factory.
add_library(quendral_editor_geometry STATIC
  ${CMAKE_CURRENT_LIST_DIR}/envelope_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/knob_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spectrum_levels.cpp
)
target_include_directories(quendral_editor_geometry PUBLIC ${CMAKE_CURRENT_LIST_DIR})
