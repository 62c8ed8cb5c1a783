# Cross-compiles a 64-bit build of the same sources, which the Wine tests run on machines that
# cannot execute 32-bit x86 programs (scripts/wine-arch).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
