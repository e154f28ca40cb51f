# Shared by the MinGW-w64 toolchain files; they set OV_MINGW_TRIPLET and the processor first.
# The -posix compilers are the ones whose libstdc++ has std::thread.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${OV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${OV_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${OV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
