# Every program built hardened, as distributions build games: position
# independent (PIE), a stack protector in functions with arrays or taken
# addresses, glibc's checked string and memory calls, relocations made
# read-only and bound at start-up (full RELRO), and stack clash probes where
# the compiler has them. Not -fcf-protection: Debian 12's C start files
# carry no CET mark, so the linker drops it from every program anyway.
# None of it touches floating point: the frames stay bit for bit those of an
# unhardened build. Included after Sanitizers.cmake, before any target.
#
#   -DRUZOZ_HARDENING=OFF   builds without these flags (to measure them)

include_guard(GLOBAL)

option(RUZOZ_HARDENING "Build with stack protector, fortified libc calls, PIE and full RELRO" ON)

if(RUZOZ_HARDENING)
  # -fPIE for the libraries too: POSITION_INDEPENDENT_CODE would build them
  # -fPIC, whose global data goes through the GOT and whose functions may
  # not be inlined (interposition), for programs linked statically to them.
  add_compile_options(-fPIE -fstack-protector-strong)
  add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>")
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-fstack-clash-protection RUZOZ_HAS_STACK_CLASH_PROTECTION)
  if(RUZOZ_HAS_STACK_CLASH_PROTECTION)
    add_compile_options(-fstack-clash-protection)
  endif()
  # _FORTIFY_SOURCE works only when optimising (glibc warns without), and
  # under AddressSanitizer its checked calls would bypass ASan's own checks.
  if(NOT RUZOZ_SANITIZE)
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  endif()
  add_link_options(LINKER:-z,relro,-z,now)
endif()
