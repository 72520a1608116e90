# The browser build's fixed-function GL over WebGL 2: add these to the web target's
# sources (they define the gl*/glu* functions in place of Emscripten's).
set(WEB_GL_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/DrawList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FixedFunction.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GlEntryPoints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GluEntryPoints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Matrix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WebGl.cpp
)
# Link options the subset needs: a WebGL 2 context and nothing older.
set(WEB_GL_LINK_OPTIONS -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2)
