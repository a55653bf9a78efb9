# What `cmake --install` adds beyond the programs and the driver module (installed by their own folders):
# the desktop entry and the AppStream metainfo that software centres list the program from, the icon at the
# sizes a freedesktop desktop looks for, a manual page for each of the three programs, and the
# documentation folder with the README and its pictures, the copyright file and the changelog. The
# Japanese resource set is embedded in the program; Qt's own Japanese texts come from the system's Qt
# translations. CPack turns the same install into a Debian package; build that from a Release build
# (scripts/package does): CPack strips the binaries it packs.

# The desktop entry's file name is the program's AppStream id.
set(SONVALE_APP_ID com.corvane.SonvaleDataManager)
install(FILES ${PROJECT_SOURCE_DIR}/res/${SONVALE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/${SONVALE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 32 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/sonvale-data-manager-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME sonvale-data-manager.png)
endforeach()

# Manual pages and the changelog, compressed as Debian keeps them (-n: no name or time stamp, so the
# files are reproducible).
find_program(GZIP_PROGRAM gzip REQUIRED)
# sonvale_gzip(SOURCE OUTPUT): OUTPUT is made from SOURCE at build time.
function(sonvale_gzip source packed)
  get_filename_component(folder ${packed} DIRECTORY)
  add_custom_command(OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${source} > ${packed}
    DEPENDS ${source} VERBATIM)
endfunction()
set(man_pages)
foreach(page sonvale-data-manager sonvale-cli ostra-emulator)
  set(packed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  sonvale_gzip(${PROJECT_SOURCE_DIR}/res/man/${page}.1 ${packed})
  list(APPEND man_pages ${packed})
endforeach()
# A native package (its version has no Debian revision) keeps its changelog as changelog.gz.
set(changelog ${PROJECT_BINARY_DIR}/doc/changelog.gz)
sonvale_gzip(${PROJECT_SOURCE_DIR}/res/changelog ${changelog})
add_custom_target(packed_docs ALL DEPENDS ${man_pages} ${changelog})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Everything the install takes from the build, and nothing else (no tests, benchmarks or generators).
add_custom_target(package_contents DEPENDS sonvale-data-manager sonvale-cli ostra-emulator vorn_jack packed_docs)

# The documentation folder is named after the package, not after the CMake project.
set(SONVALE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/sonvale-data-manager)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/res/copyright ${changelog}
        DESTINATION ${SONVALE_DOC_DIR})
# The pictures and the page the README shows and links to, at the same place relative to it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/main-window.png ${PROJECT_SOURCE_DIR}/docs/note-editor.png
              ${PROJECT_SOURCE_DIR}/docs/testing.md
        DESTINATION ${SONVALE_DOC_DIR}/docs)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sonvale-data-manager")
set(CPACK_PACKAGE_VENDOR "Corvane")
# The package's Maintainer field; a packager sets their own with -DSONVALE_PACKAGE_MAINTAINER="Name <address>".
set(SONVALE_PACKAGE_MAINTAINER "Sonvale Data Manager developers <sonvale-data-manager@corvane.com>"
    CACHE STRING "Maintainer of the Debian package: a name and a mail address")
set(CPACK_PACKAGE_CONTACT "${SONVALE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Compressor preset manager for Sonvale-equipped consoles")
# One string whose lines CPack turns into the Description field's continuation lines.
set(CPACK_PACKAGE_DESCRIPTION
    "Lists the 59 factory compressor presets with a note per preset, writes the\n"
    "selected preset into the console as a MIDI system-exclusive message over JACK,\n"
    "and shows which preset the console holds.\n"
    "\n"
    "Includes the command-line companion sonvale-cli and the emulated console\n"
    "ostra-emulator.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs and the driver link no JACK library: they load one at run time (jackd's, else PipeWire's
# JACK library), so dpkg-shlibdeps cannot see it and the package names it here.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libjack-jackd2-0 | libjack0 | pipewire-jack")
set(CPACK_STRIP_FILES ON)
# The driver is a JACK client and never starts a server itself; the fonts are the ones the program
# substitutes for its two faces; Qt's translations give the boxes' standard buttons their Japanese labels;
# Qt's Wayland plugin lets the program run natively in a Wayland session instead of through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "jackd2 | pipewire-jack, fonts-liberation2, fonts-ipafont-gothic, qt6-translations-l10n, qt6-wayland")
include(CPack)
