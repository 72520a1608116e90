# The demo's own sources, once: everything but a platform's main and its half of SDL. The
# native build, the browser's (src/platform/web) and Windows' (src/platform/win32) all
# include this list.
set(QUORVANE_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/shell/Window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/Renderer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/Keyboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/Globals.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/Schedule.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/StartUp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/Demo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/ShowArguments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell/FrameLoop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timeline/Timeline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/assets/Texture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/assets/Music.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effects/Camera.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effects/Cube.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effects/Terrain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effects/ParticleSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scenes/SceneFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scenes/OpeningScenes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scenes/ParticleScenes.cpp
)
# The landscape's value noise: part of the demo, and on the native build a library of its
# own, which the art generator follows to paint the floor.
set(QUORVANE_TERRAIN_NOISE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/effects/TerrainNoise.cpp)
# The desktop's main over SDL 1.2; other platforms bring their own.
set(QUORVANE_NATIVE_MAIN ${CMAKE_CURRENT_LIST_DIR}/shell/Main.cpp)
