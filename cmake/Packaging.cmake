# `cpack -G DEB`: a Debian 12 package under /usr of what Install.cmake
# installs, the programs from its `games` component (/usr/games), plus the
# copyright file and the Debian changelog, so that lintian finds nothing to
# report. dpkg-shlibdeps derives the library dependencies (SDL2, FluidSynth,
# GLib, the C++ runtime) from the game binary; the music also needs a
# General MIDI SoundFont, which no library pulls in.
set(RUZOZ_MAINTAINER "Ruzoz developers <developers@ruzoz.games>")
set(RUZOZ_DEB_RELEASE 1)
set(RUZOZ_DEB_VERSION ${PROJECT_VERSION}-${RUZOZ_DEB_RELEASE})

# Machine-readable (DEP-5) copyright and the changelog, gzip -9n so that
# every build gives the same bytes.
set(_debian_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/ruzoz)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright
               @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
               ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
  COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
          ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  COMMENT "Compressing the Debian changelog"
  VERBATIM)
add_custom_target(ruzoz_debian_changelog ALL
                  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright
              ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
        DESTINATION ${_debian_doc} COMPONENT debian EXCLUDE_FROM_ALL)
# Each override says why the tag is no fault of this package.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ruzoz
        COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ruzoz)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ruzoz developers")
set(CPACK_PACKAGE_CONTACT "${RUZOZ_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2D space shooter with sixteen levels of aliens")
set(CPACK_PACKAGE_DESCRIPTION
    "Your ship stays in the middle of a 640x480 screen while sixteen levels of\n"
    "meteors, asteroids, lava and eight kinds of aliens scroll beneath it. Turn,\n"
    "thrust with inertia, pick up ammunition and shield energy, and clear each\n"
    "level with the beam weapon. German screen texts, sound effects and music\n"
    "composed at start-up and played through FluidSynth.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

# One package of the shared files, the games-policy programs and the Debian
# files; the programs under bin/ are for plain installs only.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL Unspecified games debian)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${RUZOZ_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RUZOZ_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
