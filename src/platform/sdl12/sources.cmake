# The shared half of the SDL 1.2 subset, for every platform without SDL 1.2: add
# SDL12_SOURCES to the platform's target with SDL12_INCLUDE_DIRS before any other include
# folder and SDL12_SYSTEM_INCLUDE_DIRS as system folders, then implement Platform.h.
set(SDL12_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SdlCore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SdlVideo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SdlEvents.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyCodes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Mixer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ImageLoader.cpp
  # glibc's rand() sequence in place of the platform C library's.
  ${CMAKE_CURRENT_LIST_DIR}/RandFunctions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../LibcRandom.cpp
)
# SDL.h, SDL_image.h, SDL_mixer.h in place of SDL's own; Platform.h.
set(SDL12_INCLUDE_DIRS ${CMAKE_CURRENT_LIST_DIR}/include ${CMAKE_CURRENT_LIST_DIR})
# Debian's stb_image (package libstb-dev), which decodes the images.
set(SDL12_SYSTEM_INCLUDE_DIRS /usr/include/stb)
