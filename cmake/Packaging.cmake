# `cpack -G DEB`: a Debian 12 package of everything Install.cmake installs,
# under /usr. dpkg-shlibdeps derives the library dependencies (SDL2,
# FluidSynth, the C++ runtime) from the game binary; the music also needs a
# General MIDI SoundFont, which no library pulls in.
set(RUZOZ_MAINTAINER "Ruzoz developers <ruzoz@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

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

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RUZOZ_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
