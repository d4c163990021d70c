# FluidSynth renders the music into the shared audio device.
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
target_sources(ruzoz_system PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MusicSynth.cpp)
target_link_libraries(ruzoz_system PRIVATE PkgConfig::FLUIDSYNTH)
# The synth is prepared on a thread of its own during start-up.
find_package(Threads REQUIRED)
target_link_libraries(ruzoz_system PRIVATE Threads::Threads)
