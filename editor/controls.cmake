# The editor's drawing context and simple controls (target quendral_controls), on the
# view framework. Included by editor/CMakeLists.txt.
add_library(quendral_controls STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ars_draw_context.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vg_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vg_text_button.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vg_target_button.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vg_simple_label.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vg_bottom_label.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vg_logo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vg_vert_meter.cpp
)
target_include_directories(quendral_controls PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(quendral_controls PUBLIC quendral_gui)
