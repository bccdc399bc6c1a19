# Cross build for 64-bit Windows with MinGW-w64 (posix threads, for
# std::thread). Everything is linked statically, so the programs need no DLL
# beside them and run under a bare Wine prefix.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=tools/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DELVA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DELVA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DELVA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DELVA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DELVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests and tools built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
