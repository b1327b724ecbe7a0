# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread model).
# Use: cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUENDRAL_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${QUENDRAL_MINGW_PREFIX}-gcc-posix ${QUENDRAL_MINGW_PREFIX}-gcc)
find_program(CMAKE_CXX_COMPILER NAMES ${QUENDRAL_MINGW_PREFIX}-g++-posix ${QUENDRAL_MINGW_PREFIX}-g++)
find_program(CMAKE_RC_COMPILER NAMES ${QUENDRAL_MINGW_PREFIX}-windres)
find_program(CMAKE_OBJDUMP NAMES ${QUENDRAL_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${QUENDRAL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs built here run on the build machine under wine (tests, test discovery).
find_program(QUENDRAL_WINE NAMES wine64 wine)
