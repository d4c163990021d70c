# The SDL audio device, its mixer callback and the effects' output on it.
target_sources(ruzoz_system PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AudioDevice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SoundDevice.cpp
)
