# The editor panel: geometry helpers (no window needed), the knobs, the envelope editor, the
# response display, the editor classes and the plug-in's editor factory.
add_library(quendral_editor_geometry STATIC
  ${CMAKE_CURRENT_LIST_DIR}/envelope_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/knob_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spectrum_levels.cpp
)
target_include_directories(quendral_editor_geometry PUBLIC ${CMAKE_CURRENT_LIST_DIR}
  ${PROJECT_SOURCE_DIR})

# The full editor needs the simple controls and the plug-in core; until both exist the
# plug-in is built without an editor.
if(TARGET quendral_controls AND TARGET quendral_core)
  add_library(quendral_editor STATIC
    ${CMAKE_CURRENT_LIST_DIR}/aeff_gui_editor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vg_knob_base.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vg_grommet_knob.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vg_envelope.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vg_spect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/quendral_editor.cpp
  )
  # The factory is compiled into whatever links the editor (the plug-in, tests): the core
  # library calls it, so as a member of a static library it would come too late in the link.
  target_sources(quendral_editor INTERFACE ${CMAKE_CURRENT_LIST_DIR}/editor_factory.cpp)
  target_compile_definitions(quendral_editor PRIVATE QUENDRAL_VERSION_TEXT="${PROJECT_VERSION}")
  # quendral_resources is defined later (resources/ follows editor/); CMake resolves the name
  # when it generates the build.
  target_link_libraries(quendral_editor PUBLIC quendral_editor_geometry quendral_controls quendral_gui
    quendral_core quendral_resources)
endif()
