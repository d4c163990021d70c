# The fuzz targets, made twice: with libFuzzer's main in a RUZOZ_FUZZ build
# (fuzz/), and with StandaloneMain.cpp in every build, to run the committed
# corpus as a test (tests/reliability).
#
# ruzoz_add_fuzz_targets(PREFIX [MAIN source]) makes PREFIX<target> for each
# target in RUZOZ_FUZZ_TARGETS; the corpus of a target is
# fuzz/corpus/<target>.

set(RUZOZ_FUZZ_TARGETS wave image style chordmap template keyscript)
set(RUZOZ_FUZZ_CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus)

function(ruzoz_add_fuzz_targets target_prefix)
  find_package(SDL2 REQUIRED)
  cmake_parse_arguments(arg "" "MAIN" "" ${ARGN})
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  foreach(target ${RUZOZ_FUZZ_TARGETS})
    set(name ${target_prefix}${target}) # SDL2's config sets its own prefix
    if(target STREQUAL "wave")
      add_executable(${name} ${dir}/FuzzWave.cpp)
      target_link_libraries(${name} PRIVATE ruzoz_audio ruzoz_platform)
    elseif(target STREQUAL "image")
      add_executable(${name} ${dir}/FuzzImage.cpp)
      target_link_libraries(${name} PRIVATE ruzoz_graphics ruzoz_platform SDL2::SDL2)
    elseif(target STREQUAL "keyscript")
      add_executable(${name} ${dir}/FuzzKeyScript.cpp)
      target_link_libraries(${name} PRIVATE ruzoz_shell)
    else()
      list(FIND RUZOZ_FUZZ_TARGETS ${target} part)
      math(EXPR part "${part} - 2") # style 0, chordmap 1, template 2
      add_executable(${name} ${dir}/FuzzMusic.cpp)
      target_link_libraries(${name} PRIVATE ruzoz_audio)
      target_compile_definitions(${name} PRIVATE RUZOZ_FUZZ_MUSIC_PART=${part}
        RUZOZ_MUSIC_CONTENT="${PROJECT_SOURCE_DIR}/content/music")
    endif()
    target_include_directories(${name} PRIVATE ${dir})
    target_compile_features(${name} PRIVATE cxx_std_20)
    if(arg_MAIN)
      target_sources(${name} PRIVATE ${arg_MAIN})
    else()
      target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
      target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    endif()
  endforeach()
endfunction()
