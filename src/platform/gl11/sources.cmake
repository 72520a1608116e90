# The GL 1.1 recorder: plain C++, no platform headers. GL11_SOURCES is the recorder
# itself; GL11_ENTRY_POINT_SOURCES define the gl*/glu* functions over it, for a build that
# has no GL library of its own.
set(GL11_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/FixedFunction.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameRecorder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Matrix.cpp
)
set(GL11_ENTRY_POINT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/GlEntryPoints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GluEntryPoints.cpp
)
