# Cross build for 64-bit Windows with Debian's MinGW-w64 (packages g++-mingw-w64-x86-64-posix and
# binutils-mingw-w64-x86-64). The "posix" compiler uses the winpthreads thread model, the one
# with std::thread and std::mutex. Everything is linked statically, so the executables run on
# Windows (and under wine64) without any MinGW DLL beside them.
#
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DOSTREL_BUILD_APP=OFF
#
# The tests link a GoogleTest built from Debian's sources (package googletest, /usr/src/googletest)
# in the same build; see tests/CMakeLists.txt.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)
set(CMAKE_AR ${_mingw}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${_mingw}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

# Headers and libraries for Windows only from the MinGW tree; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthreads linked in: no DLL to look for at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Windows 10 and later: the wide-character file functions and GetLocaleInfoEx.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0A00 -DUNICODE -D_UNICODE")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0A00 -DUNICODE -D_UNICODE")

# CTest runs the tests under wine64 in a wine prefix of the build folder's own (the one that
# tools/windows.sh uses), never the user's ~/.wine; quiet, and without the offers to install
# Mono or Gecko.
find_program(OSTREL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(OSTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all
    WINEDLLOVERRIDES=mscoree,mshtml= ${OSTREL_WINE})
endif()
# Test discovery waits for CTest, so that building never starts wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
