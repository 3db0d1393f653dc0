set(CMAKE_SYSTEM_NAME Windows)

# Debian ships a win32 and a posix thread flavour; either works for a
# single-threaded program, the posix one also carries std::thread for tests.
find_program(PELISAN_CXX NAMES ${PELISAN_MINGW_TRIPLET}-g++-posix ${PELISAN_MINGW_TRIPLET}-g++ REQUIRED)
find_program(PELISAN_CC NAMES ${PELISAN_MINGW_TRIPLET}-gcc-posix ${PELISAN_MINGW_TRIPLET}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${PELISAN_CC})
set(CMAKE_CXX_COMPILER ${PELISAN_CXX})
set(CMAKE_RC_COMPILER ${PELISAN_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELISAN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Every test program runs under Wine, in the build tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh)
