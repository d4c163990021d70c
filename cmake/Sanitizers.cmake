# Sanitizer and fuzzing builds. Included before any target is made, so that
# the flags reach every library, tool and test.
#
#   -DRUZOZ_SANITIZE=address,undefined   the whole tree under ASan + UBSan
#   -DRUZOZ_FUZZ=ON                      the libFuzzer targets in fuzz/ (clang)

include_guard(GLOBAL)

set(RUZOZ_SANITIZE "" CACHE STRING
    "Sanitizers for every target, as for -fsanitize= (e.g. address,undefined)")
option(RUZOZ_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

if(RUZOZ_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT CMAKE_C_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "RUZOZ_FUZZ needs clang: configure with "
                        "-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14")
  endif()
  # A fuzzer that does not check memory finds only what crashes outright.
  if(NOT RUZOZ_SANITIZE)
    set(RUZOZ_SANITIZE address,undefined)
  endif()
endif()

if(RUZOZ_SANITIZE)
  string(REPLACE "," ";" _ruzoz_sanitizers "${RUZOZ_SANITIZE}")
  set(_ruzoz_flags -fsanitize=${RUZOZ_SANITIZE} -fno-omit-frame-pointer)
  if("undefined" IN_LIST _ruzoz_sanitizers)
    # Doubles become screen and tile positions: an out-of-range cast is
    # undefined but not part of -fsanitize=undefined. A finding must fail
    # the test, not scroll past in its output.
    list(APPEND _ruzoz_flags -fsanitize=float-cast-overflow -fno-sanitize-recover=all)
  endif()
  add_compile_options(${_ruzoz_flags})
  add_link_options(${_ruzoz_flags})
endif()

if(RUZOZ_FUZZ)
  # Coverage for every library the fuzz targets link; only they get libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
  # The libraries they link are made later; CMake resolves the names at the end.
  add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/../fuzz ${CMAKE_BINARY_DIR}/fuzz)
endif()
