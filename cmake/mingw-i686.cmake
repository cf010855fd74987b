# Cross-builds the 32-bit Windows module and its tests with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KORVO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
