# Debian's hardening flags (fortified functions, stack protector, read-only
# relocations bound at load, PIE) for the optimised builds a user gets, as
# dpkg-buildflags gives them. The sanitizer builds keep their own flags, and
# the optimisation and debug levels stay the build type's.
set(vantrel_hardening_compile "")
set(vantrel_hardening_link "")
if(VANTREL_HARDEN AND NOT VANTREL_SANITIZE)
  find_program(DPKG_BUILDFLAGS dpkg-buildflags)
  if(DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      # -g and -O come from the build type; a prefix map of this checkout
      # would keep identical objects of two checkouts apart in the cache.
      list(FILTER flags EXCLUDE REGEX "^(-g|-O.*|-ffile-prefix-map=.*|-fdebug-prefix-map=.*)$")
      if(kind STREQUAL LDFLAGS)
        list(APPEND vantrel_hardening_link ${flags})
      else()
        list(APPEND vantrel_hardening_compile ${flags})
      endif()
    endforeach()
    list(REMOVE_DUPLICATES vantrel_hardening_compile)
    message(STATUS "Hardening: ${vantrel_hardening_compile} ${vantrel_hardening_link}")
  else()
    message(WARNING "dpkg-buildflags not found: the programs are built without Debian's hardening flags")
  endif()
endif()

# Warnings, sanitizers and hardening, set per target so AUTOMOC output and
# third-party code are not affected by accident.
function(vantrel_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(VANTREL_SANITIZE)
    target_compile_options(${target} PRIVATE
      -fsanitize=${VANTREL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${VANTREL_SANITIZE})
  endif()
  if(vantrel_hardening_compile OR vantrel_hardening_link)
    # Fortified functions need the optimiser: a Debug build goes without.
    set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
    target_compile_options(${target} PRIVATE "$<${optimised}:${vantrel_hardening_compile};-fPIE>")
    target_link_options(${target} PRIVATE "$<${optimised}:${vantrel_hardening_link};-pie>")
  endif()
endfunction()
# One GoogleTest program registered with CTest, case by case.
function(vantrel_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  vantrel_target_options(${name})
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}"
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=${VANTREL_TEST_LOCALE}")
endfunction()
set(VANTREL_TEST_LOCALE "C.UTF-8" CACHE STRING "Locale the tests run under")
