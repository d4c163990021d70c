# The shell: pacing (platform-free), start-up and shutdown, and the game.
target_sources(ruzoz_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MainLoop.cpp)
target_sources(ruzoz_system PRIVATE ${CMAKE_CURRENT_LIST_DIR}/StartUp.cpp)

add_executable(ruzoz ${CMAKE_CURRENT_LIST_DIR}/Main.cpp)
target_link_libraries(ruzoz PRIVATE ruzoz_system)
