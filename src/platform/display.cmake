# Display, window, events and clock over SDL2.
target_sources(ruzoz_system PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Display.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Clock.cpp
)
