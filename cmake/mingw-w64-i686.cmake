# Cross build for 32-bit Windows with MinGW-w64.
set(PELISAN_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# SSE2 makes the RTF renderer's 16-byte blocks several times faster. Windows 8
# and later require it; under Windows 7 the program then needs a Pentium 4,
# Athlon 64 or later. A 32-bit Windows stack is only 4-byte aligned, so a
# function that keeps such a block on its stack realigns its own frame.
set(CMAKE_C_FLAGS_INIT "-msse2 -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mstackrealign")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
