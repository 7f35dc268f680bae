# Debian's hardening: the flags dpkg-buildflags adds for
# DEB_BUILD_MAINT_OPTIONS=hardening=+all (on amd64: stack protector,
# fortified libc calls, format checks, read-only relocations, immediate
# binding), and only those. Its -g, -O2 and file-prefix map are left to the
# build type, so a Debug build stays unoptimised and debuggable.
#
# The sanitizer build (and the fuzz build, which needs it) goes without:
# _FORTIFY_SOURCE's checked copies hide the accesses ASan is there to see,
# and that build is never packaged.

option(LUMIVANE_HARDEN "Build with Debian's hardening flags (dpkg-buildflags)" ON)
if(NOT LUMIVANE_HARDEN OR LUMIVANE_SANITIZE)
  return()
endif()

find_program(LUMIVANE_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT LUMIVANE_DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found (package dpkg-dev): building without hardening flags")
  return()
endif()

# lumivane_hardening_flags(VARIABLE OUT): what hardening=+all puts into
# VARIABLE (CXXFLAGS, CPPFLAGS, LDFLAGS) beyond hardening=-all.
function(lumivane_hardening_flags variable out)
  foreach(setting all none)
    if(setting STREQUAL all)
      set(options hardening=+all)
    else()
      set(options hardening=-all)
    endif()
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=${options}
        ${LUMIVANE_DPKG_BUILDFLAGS} --get ${variable}
      OUTPUT_VARIABLE text OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "dpkg-buildflags --get ${variable} failed (${status})")
    endif()
    separate_arguments(${setting} UNIX_COMMAND "${text}")
  endforeach()
  if(none)
    list(REMOVE_ITEM all ${none})
  endif()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

lumivane_hardening_flags(CXXFLAGS LUMIVANE_HARDENING_CXXFLAGS)
lumivane_hardening_flags(CPPFLAGS LUMIVANE_HARDENING_CPPFLAGS)
lumivane_hardening_flags(LDFLAGS LUMIVANE_HARDENING_LDFLAGS)
message(STATUS "Hardening: ${LUMIVANE_HARDENING_CXXFLAGS} ${LUMIVANE_HARDENING_CPPFLAGS} ${LUMIVANE_HARDENING_LDFLAGS}")

add_compile_options(${LUMIVANE_HARDENING_CXXFLAGS})
# glibc's fortified calls need the optimiser (at -O0 every file would warn
# that _FORTIFY_SOURCE does nothing).
add_compile_options("$<$<NOT:$<CONFIG:Debug>>:${LUMIVANE_HARDENING_CPPFLAGS}>")
add_link_options(${LUMIVANE_HARDENING_LDFLAGS})
