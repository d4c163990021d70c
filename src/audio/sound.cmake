# Wave loader and effect buffers: platform-free.
target_sources(ruzoz_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/MMIO.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Wave.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SoundEffects.cpp
)
