# What `cmake --install` adds beyond the programs and the driver module (installed by their own folders):
# the desktop entry, the icon at the sizes a freedesktop desktop looks for, a manual page for each of the
# three programs, and the documentation folder with the README and the copyright file. The Japanese
# resource set is embedded in the program; Qt's own Japanese texts come from the system's Qt
# translations. CPack turns the same install into a Debian package; build that from a Release build
# (scripts/package does): CPack strips the binaries it packs.

install(FILES ${PROJECT_SOURCE_DIR}/res/sonvale-data-manager.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/sonvale-data-manager-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME sonvale-data-manager.png)
endforeach()

# Manual pages, compressed as Debian keeps them (-n: no name or time stamp, so the file is reproducible).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_pages)
foreach(page sonvale-data-manager sonvale-cli ostra-emulator)
  set(source ${PROJECT_SOURCE_DIR}/res/man/${page}.1)
  set(packed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${GZIP_PROGRAM} -9 -n -c ${source} > ${packed}
    DEPENDS ${source} VERBATIM)
  list(APPEND man_pages ${packed})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The documentation folder is named after the package, not after the CMake project.
set(SONVALE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/sonvale-data-manager)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/res/copyright DESTINATION ${SONVALE_DOC_DIR})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sonvale-data-manager")
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Sonvale Data Manager developers <sonvale-data-manager@localhost>")
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
set(CPACK_STRIP_FILES ON)
# The driver is a JACK client and never starts a server itself; the fonts are the ones the program
# substitutes for its two faces; Qt's translations give the boxes' standard buttons their Japanese labels;
# Qt's Wayland plugin lets the program run natively in a Wayland session instead of through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "jackd2 | pipewire-jack, fonts-liberation2, fonts-ipafont-gothic, qt6-translations-l10n, qt6-wayland")
include(CPack)
