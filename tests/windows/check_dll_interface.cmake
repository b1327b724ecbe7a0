cmake_policy(SET CMP0057 NEW)
# Checks the shipped DLL as a user's host sees it (run with cmake -P):
# - it imports only DLLs that every 64-bit Windows has (no compiler runtime such as
#   libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll);
# - it exports exactly VSTPluginMain and main (or the names in EXPORTS, sorted and
#   separated by commas: the VST3 binary's are ExitDll,GetPluginFactory,InitDll).
# Variables: OBJDUMP (the mingw objdump), DLL (the plug-in), EXPORTS (optional).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed (${status})")
endif()

set(system_dlls kernel32.dll user32.dll gdi32.dll msimg32.dll gdiplus.dll ole32.dll
  shell32.dll msvcrt.dll advapi32.dll ws2_32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in the objdump output of ${DLL}")
endif()
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: *" "" name "${line}")
  string(STRIP "${name}" name)
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST system_dlls)
    message(FATAL_ERROR "${DLL} imports ${name}, which is not a Windows system DLL")
  endif()
  message(STATUS "imports ${name}")
endforeach()

# The export names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" each.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${dump}" ${at} -1 tail)
string(REGEX MATCH "Table\n(([ \t]+\\[ *[0-9]+\\] [^\n]+\n)+)" block "${tail}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${CMAKE_MATCH_1}")
set(exports)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${entry}")
  string(STRIP "${name}" name)
  list(APPEND exports ${name})
endforeach()
list(SORT exports)
if(NOT DEFINED EXPORTS)
  set(EXPORTS "VSTPluginMain,main")
endif()
string(REPLACE "," ";" EXPORTS "${EXPORTS}")
if(NOT exports STREQUAL "${EXPORTS}")
  message(FATAL_ERROR "${DLL} exports '${exports}', expected exactly '${EXPORTS}'")
endif()
message(STATUS "exports ${exports}")
