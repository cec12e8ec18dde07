# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (package g++-mingw-w64-x86-64):
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix-threads flavour of the compiler is preferred, since the win32 one of this GCC has no
# std::thread or std::mutex. The C and C++ runtimes are linked statically so that the programs run
# (on Windows or under wine) without mingw DLLs beside them. Test programs run through wine when
# it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMIDRAFT_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${LUMIDRAFT_MINGW_PREFIX}-gcc-posix ${LUMIDRAFT_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${LUMIDRAFT_MINGW_PREFIX}-g++-posix ${LUMIDRAFT_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${LUMIDRAFT_MINGW_PREFIX}-windres)

# Look for libraries and headers in the target's tree only; programs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${LUMIDRAFT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(LUMIDRAFT_WINE NAMES wine64 wine)
if(LUMIDRAFT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMIDRAFT_WINE})
endif()
