# The show on a virtual clock (this folder), for the native build's quorvane_offline and the
# browser build's: both include this list.
set(QUORVANE_OFFLINE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/OfflineRun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameCosts.cpp
)
