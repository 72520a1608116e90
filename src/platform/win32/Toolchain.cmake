# Cross-building for Windows x86-64 with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
# cmake -DCMAKE_TOOLCHAIN_FILE=src/platform/win32/Toolchain.cmake (tools/windows.sh does).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triplet x86_64-w64-mingw32)
# The posix thread model: std::thread and std::mutex, which the capture program uses.
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
# Headers are looked for here too: the header-only libraries the build takes from Debian
# (stb) are the same for every target.
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
