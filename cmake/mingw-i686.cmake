# 32-bit Windows with mingw-w64; the -posix compiler is the one that builds GoogleTest.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# SSE2, which every x86 processor since 2003 has and Windows 8 and later require: copies of
# 8 and 16 bytes in one instruction each, not in 32-bit pieces.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")
# No MinGW DLLs next to the .exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The tests run under Wine where it is there; the programs build without it.
find_program(KW_WINE wine)
if(KW_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KW_WINE})
endif()
