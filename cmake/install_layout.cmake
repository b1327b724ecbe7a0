# Where `cmake --install` puts what quendral ships, decided when the install runs:
#
#   cmake --install build                          per user: ~/.vst (VST2), ~/.vst3, ~/.lv2,
#                                                  ~/.clap, tools in ~/.local/bin; needs no root
#   cmake --install build --prefix /usr/local      <prefix>/lib/vst, <prefix>/lib/vst3,
#                                                  <prefix>/lib/lv2, <prefix>/lib/clap,
#                                                  <prefix>/bin: folders on
#                                                  the hosts' default search paths
#
# A build configured without CMAKE_INSTALL_PREFIX gets ~/.local as its prefix; installing with
# that prefix (the default, or `--prefix ~/.local`) is the per-user layout, any other prefix
# (given with `--prefix` at install time or CMAKE_INSTALL_PREFIX at configure time) the
# system layout. DESTDIR stages either one under another root.
#
# How the format adapters install what they build (call these, never install() directly):
#
#   quendral_install_plugin_file(<target> vst2|clap)
#       the target's file (a MODULE library, e.g. quendral_plugin's quendral.so) into
#       ~/.vst or <prefix>/lib/vst (CLAP's quendral.clap: ~/.clap or <prefix>/lib/clap)
#   quendral_install_bundle(<bundle dir> vst3|lv2 [TARGET <target>])
#       a bundle folder of the build tree, copied whole with its name, e.g.
#       quendral_install_bundle(${QUENDRAL_VST3_BUNDLE} vst3 TARGET quendral_vst3) gives
#       ~/.vst3/quendral.vst3 or <prefix>/lib/vst3/quendral.vst3, and
#       quendral_install_bundle(${QUENDRAL_LV2_BUNDLE} lv2 TARGET quendral_lv2_bundle) gives
#       ~/.lv2/quendral.lv2 or <prefix>/lib/lv2/quendral.lv2. The folder may be given with
#       generator expressions; it must exist when the install runs (build it with `all`).
#       TARGET names what builds the bundle, so the install tests build it first.
#   quendral_install_program(<target> [INTO vst2|clap])
#       an executable into ~/.local/bin or <prefix>/bin (INTO vst2 or clap: beside that
#       plug-in file, in ~/.vst or <prefix>/lib/vst, ~/.clap or <prefix>/lib/clap)
#
# Every target these install is listed in the global property QUENDRAL_INSTALLED_TARGETS
# (what an install of the build needs built). The Windows build installs its DLL
# itself: these functions are for the Linux build.

# A build configured before this layout existed holds CMake's own default, /usr/local, in its
# cache (and installed per user whatever the prefix): it keeps installing per user.
if(NOT WIN32 AND (CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR
    (NOT DEFINED QUENDRAL_INSTALL_PER_USER_PREFIX AND CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")))
  set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH
    "Install prefix: ~/.local installs per user (~/.vst, ~/.vst3, ~/.lv2, ~/.local/bin); any other gives <prefix>/lib/vst, lib/vst3, lib/lv2, bin"
    FORCE)
endif()
if(NOT DEFINED QUENDRAL_INSTALL_PER_USER_PREFIX)
  set(QUENDRAL_INSTALL_PER_USER_PREFIX "$ENV{HOME}/.local" CACHE INTERNAL
    "The install prefix that means the per-user layout")
endif()

# Folders of each kind: below HOME for the per-user layout, below the prefix otherwise.
set(_QUENDRAL_PER_USER_DIR_vst2 ".vst")
set(_QUENDRAL_PER_USER_DIR_vst3 ".vst3")
set(_QUENDRAL_PER_USER_DIR_lv2 ".lv2")
set(_QUENDRAL_PER_USER_DIR_clap ".clap")
set(_QUENDRAL_PER_USER_DIR_program ".local/bin")
set(_QUENDRAL_PREFIX_DIR_vst2 "lib/vst")
set(_QUENDRAL_PREFIX_DIR_vst3 "lib/vst3")
set(_QUENDRAL_PREFIX_DIR_lv2 "lib/lv2")
set(_QUENDRAL_PREFIX_DIR_clap "lib/clap")
set(_QUENDRAL_PREFIX_DIR_program "bin")

# One install step: copies `source` (file(INSTALL) TYPE `type`) into the folder of `kind`,
# choosing the layout from the prefix the install runs with.
function(_quendral_install_into kind type source)
  if(NOT DEFINED _QUENDRAL_PREFIX_DIR_${kind})
    message(FATAL_ERROR "quendral install layout: unknown kind \"${kind}\" (vst2, vst3, lv2, clap)")
  endif()
  set(per_user "${_QUENDRAL_PER_USER_DIR_${kind}}")
  set(below_prefix "${_QUENDRAL_PREFIX_DIR_${kind}}")
  install(CODE "
if(\"\${CMAKE_INSTALL_PREFIX}\" STREQUAL \"${QUENDRAL_INSTALL_PER_USER_PREFIX}\")
  set(_quendral_destination \"\$ENV{HOME}/${per_user}\")
else()
  set(_quendral_destination \"\${CMAKE_INSTALL_PREFIX}/${below_prefix}\")
endif()
file(INSTALL DESTINATION \"\${_quendral_destination}\" TYPE ${type} FILES \"${source}\" ${ARGN})
")
endfunction()

function(_quendral_installs target)
  set_property(GLOBAL APPEND PROPERTY QUENDRAL_INSTALLED_TARGETS ${target})
endfunction()

function(quendral_install_plugin_file target format)
  if(NOT format MATCHES "^(vst2|clap)$")
    message(FATAL_ERROR "quendral_install_plugin_file: ${format} plug-ins are bundles; use quendral_install_bundle")
  endif()
  _quendral_installs(${target})
  _quendral_install_into(${format} MODULE "$<TARGET_FILE:${target}>" PERMISSIONS OWNER_READ
    OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()

function(quendral_install_bundle bundle format)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "TARGET" "")
  if(NOT format MATCHES "^(vst3|lv2)$")
    message(FATAL_ERROR "quendral_install_bundle: format must be vst3 or lv2, not \"${format}\"")
  endif()
  if(arg_TARGET)
    _quendral_installs(${arg_TARGET})
  endif()
  _quendral_install_into(${format} DIRECTORY "${bundle}" USE_SOURCE_PERMISSIONS)
endfunction()

function(quendral_install_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "INTO" "")
  set(kind program)
  if(arg_INTO)
    set(kind ${arg_INTO})
  endif()
  _quendral_installs(${target})
  _quendral_install_into(${kind} EXECUTABLE "$<TARGET_FILE:${target}>")
endfunction()
