# What `cmake --install` puts under the prefix: the game as bin/ruzoz-game,
# the launcher bin/ruzoz that runs it inside the data folder (the game opens
# its files by bare name), the data folder, desktop entry, icons, man page.
# The Debian package takes the two programs from the component `games`
# instead, which puts them in games/ as Debian's games policy wants; a plain
# install leaves that component out.
include(GNUInstallDirs)

if(NOT RUZOZ_DATA_DIR)
  message(FATAL_ERROR "RUZOZ_DATA_DIR is not set: include this after add_subdirectory(tools)")
endif()

set(RUZOZ_INSTALL_DATADIR ${CMAKE_INSTALL_DATAROOTDIR}/games/ruzoz)
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${RUZOZ_INSTALL_DATADIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_BINDIR and CMAKE_INSTALL_DATAROOTDIR must be relative: "
                      "the launcher finds the data folder from its own place")
endif()
set(RUZOZ_INSTALL_GAMESDIR games)

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_generated ${PROJECT_BINARY_DIR}/packaging)

# The launcher and the game into DIR, as COMPONENT; ARGN: more install
# options.
function(ruzoz_install_programs dir component)
  # Relative, so that --prefix at install time still holds.
  cmake_path(RELATIVE_PATH RUZOZ_INSTALL_DATADIR BASE_DIRECTORY ${dir}
             OUTPUT_VARIABLE RUZOZ_DATA_FROM_BIN)
  configure_file(${_packaging}/ruzoz.in ${_generated}/${component}/ruzoz @ONLY)
  install(PROGRAMS ${_generated}/${component}/ruzoz DESTINATION ${dir}
          COMPONENT ${component} ${ARGN})
  # install(TARGETS) cannot rename; the build-tree name stays `ruzoz`.
  install(PROGRAMS $<TARGET_FILE:ruzoz> DESTINATION ${dir} RENAME ruzoz-game
          COMPONENT ${component} ${ARGN})
  if(CMAKE_STRIP)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${dir}/ruzoz-game\")
      endif()" COMPONENT ${component} ${ARGN})
  endif()
endfunction()
ruzoz_install_programs(${CMAKE_INSTALL_BINDIR} programs)
ruzoz_install_programs(${RUZOZ_INSTALL_GAMESDIR} games EXCLUDE_FROM_ALL)

# Only the game's own file kinds: tools may leave other files there.
install(DIRECTORY ${RUZOZ_DATA_DIR}/ DESTINATION ${RUZOZ_INSTALL_DATADIR}
        FILES_MATCHING PATTERN "*.bmp" PATTERN "*.wav" PATTERN "*.tpl" PATTERN "*.sty"
                       PATTERN "*.cdm")

install(FILES ${_packaging}/ruzoz.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)

add_subdirectory(${PROJECT_SOURCE_DIR}/tools/icongen ${PROJECT_BINARY_DIR}/tools/icongen)
install(DIRECTORY ${RUZOZ_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor)

# AppStream: the software centres' entry, with the release of this version
# (dated as packaging/changelog.in's entry) and the screenshots taken at
# build time, which the project's site serves at RUZOZ_SCREENSHOT_URL.
set(RUZOZ_APPSTREAM_ID games.ruzoz.Ruzoz)
set(RUZOZ_RELEASE_DATE 2026-12-07)
set(RUZOZ_SCREENSHOT_URL https://ruzoz.games/screenshots)
configure_file(${_packaging}/ruzoz.metainfo.xml.in
               ${_generated}/${RUZOZ_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${_generated}/${RUZOZ_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
add_subdirectory(${PROJECT_SOURCE_DIR}/tools/screenshot ${PROJECT_BINARY_DIR}/tools/screenshot)
install(DIRECTORY ${RUZOZ_SCREENSHOT_DIR}/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/screenshots)

# gzip -n: no name or time stamp, so the page is the same in every build.
configure_file(${_packaging}/ruzoz.6.in ${_generated}/ruzoz.6 @ONLY)
add_custom_command(
  OUTPUT ${_generated}/ruzoz.6.gz
  COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${_generated}/ruzoz.6 ${_generated}/ruzoz.6.gz
  DEPENDS ${_generated}/ruzoz.6
  COMMENT "Compressing the man page"
  VERBATIM)
add_custom_target(ruzoz_man_page ALL DEPENDS ${_generated}/ruzoz.6.gz)
install(FILES ${_generated}/ruzoz.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The game program's page is the game's.
file(CREATE_LINK ruzoz.6.gz ${_generated}/ruzoz-game.6.gz SYMBOLIC)
install(FILES ${_generated}/ruzoz-game.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
