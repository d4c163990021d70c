# The browser build: the page's platform in place of SDL's, the page's entry
# in place of main's loop. Included from src/CMakeLists.txt under emcmake.

ruzoz_folder_library(ruzoz_platform platform/web)
target_link_libraries(ruzoz_platform PUBLIC ruzoz_ports)

ruzoz_folder_library(ruzoz_shell shell)
target_link_libraries(ruzoz_shell PUBLIC ruzoz_screens ruzoz_platform)
set_source_files_properties(shell/Options.cpp PROPERTIES
  COMPILE_DEFINITIONS RUZOZ_VERSION="${PROJECT_VERSION}")

# The data files and the SoundFont, preloaded into the page's file system:
# the data in the working directory, the SoundFont where Debian keeps it.
set(RUZOZ_WEB_DATA_DIR "" CACHE PATH "The native build's data folder")
set(RUZOZ_WEB_SOUNDFONT /usr/share/sounds/sf2/TimGM6mb.sf2 CACHE FILEPATH "The GM SoundFont")

add_executable(ruzoz shell/PageMain.cpp)
target_link_libraries(ruzoz PRIVATE ruzoz_shell)
target_link_options(ruzoz PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createRuzoz -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB -sFORCE_FILESYSTEM=1
  -sEXPORTED_RUNTIME_METHODS=HEAPU8,HEAPU16
  "SHELL:--preload-file ${RUZOZ_WEB_DATA_DIR}@/"
  "SHELL:--preload-file ${RUZOZ_WEB_SOUNDFONT}@/usr/share/sounds/sf2/default-GM.sf2")
