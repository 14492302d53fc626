# Warnings and sanitizers, set per target so AUTOMOC output and third-party
# code are not affected by accident.
function(vantrel_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(VANTREL_SANITIZE)
    target_compile_options(${target} PRIVATE
      -fsanitize=${VANTREL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${VANTREL_SANITIZE})
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
