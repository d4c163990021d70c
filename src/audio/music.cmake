# The music engine: file readers, composer and sequencer, free of any platform.
target_sources(ruzoz_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/MusicComposer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MusicHarmony.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MusicLoader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MusicParse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MusicPerformance.cpp
)
# The start-up step wires the engine to the platform's synth and device.
target_sources(ruzoz_system PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Music.cpp)
