# Cross-compiling the core and its tests for 64-bit Windows with Debian's
# MinGW-w64 (the "posix" thread model, which std::thread and std::mutex
# need); the test executables run under Wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64.cmake -DPXR_WITH_QT=OFF
# scripts/check-windows does all of it, GoogleTest included.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PXR_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PXR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PXR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PXR_MINGW_TRIPLE}-windres)

# Libraries and packages come from the MinGW tree (and from prefixes given
# in CMAKE_PREFIX_PATH, such as the GoogleTest built with this compiler),
# never from the host's /usr.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${PXR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: no libstdc++, libgcc or winpthread DLL to be
# found beside them on the Windows machine or under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest and GoogleTest's discovery run the executables through Wine.
find_program(PXR_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(PXR_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PXR_WINE})
endif()
