# Installation and the Debian package: the programs in bin/, a desktop
# entry and an icon in share/, a man page for each program.
#   cmake --install build --prefix /usr/local
#   cd build && cpack            # vantrel_<version>_<arch>.deb
include(GNUInstallDirs)

set(vantrel_programs vantrel-sim vantrel-log vantrel-bench)
if(VANTREL_BUILD_GUI)
  list(APPEND vantrel_programs vantrel)
endif()
install(TARGETS ${vantrel_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package, `cmake --install --strip`) also drops the
# compilers' notes, as Debian's own packages do.
foreach(program ${vantrel_programs})
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endforeach()

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
if(VANTREL_BUILD_GUI)
  install(FILES ${packaging}/vantrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${packaging}/vantrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The window carries four glyphs of an Apache-licensed font.
  install(FILES ${PROJECT_SOURCE_DIR}/ui/fonts/NOTICE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantrel RENAME NOTICE.fonts)
endif()
# Debian's copyright file (the program and the font) and the changelog,
# compressed as Debian keeps it.
install(FILES ${packaging}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
set(changelog_gz ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND gzip -9 -n -c ${packaging}/changelog > ${changelog_gz}
  DEPENDS ${packaging}/changelog
  VERBATIM)
add_custom_target(changelog_gz ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
install(FILES ${packaging}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vantrel)

# Man pages go in compressed, as Debian keeps them.
set(man_pages vantrel-sim.1 vantrel-log.1 vantrel-bench.1)
if(VANTREL_BUILD_GUI)
  list(APPEND man_pages vantrel.1)
endif()
foreach(page ${man_pages})
  set(gz ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${packaging}/man/${page} > ${gz}
    DEPENDS ${packaging}/man/${page}
    VERBATIM)
  list(APPEND man_gz ${gz})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_gz})
install(FILES ${man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluate and configure a GPS receiver module on a serial port")
# The summary above is the first line; this is the rest.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "vantrel is a window that watches a GPS receiver module on a serial port\n"
  "(position, time, fix, DOPs, channels, SNR, sky view), commands it and\n"
  "records its stream. vantrel-log exports recordings as CSV, GPX and KML\n"
  "and computes accuracy and time-to-fix figures; vantrel-bench runs\n"
  "time-to-first-fix campaigns on several receivers at once and the\n"
  "sensitivity test with a signal generator; vantrel-sim simulates a module\n"
  "and a signal generator, or replays a recording, on pseudo-terminals.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vantrel developers <noreply@vantrel.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (Qt, the C++ runtime), as dpkg-shlibdeps
# finds them; man-db shows the pages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "man-db")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gpsbabel")
include(CPack)
