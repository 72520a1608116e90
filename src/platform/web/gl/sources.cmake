# The browser build's GL: the recorder (src/platform/gl11, with the gl*/glu* functions in
# place of Emscripten's) and its replay over WebGL 2. Add these to the web target's sources.
include(${CMAKE_CURRENT_LIST_DIR}/../../gl11/sources.cmake)
set(WEB_GL_SOURCES
  ${GL11_SOURCES}
  ${GL11_ENTRY_POINT_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/WebGlReplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WebGl.cpp
)
# Link options the subset needs: a WebGL 2 context and nothing older.
set(WEB_GL_LINK_OPTIONS -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2)
