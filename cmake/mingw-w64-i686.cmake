# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake: 32-bit Windows DLLs.
set(VEXO_MINGW_TRIPLE i686-w64-mingw32)
set(VEXO_MINGW_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
