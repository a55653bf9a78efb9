# What `cmake --install` adds beyond the programs and the driver module (installed by their own folders):
# the desktop entry, the icon at the sizes a freedesktop desktop looks for, and the README. The Japanese
# resource set is embedded in the program; Qt's own Japanese texts come from the system's Qt
# translations. CPack turns the same install into a Debian package.

install(FILES ${PROJECT_SOURCE_DIR}/res/sonvale-data-manager.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/sonvale-data-manager-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME sonvale-data-manager.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sonvale-data-manager")
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Sonvale Data Manager developers <sonvale-data-manager@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Compressor preset manager for Sonvale-equipped consoles")
set(CPACK_PACKAGE_DESCRIPTION
    "Lists the 59 factory compressor presets with a note per preset, writes the selected preset into the "
    "console as a MIDI system-exclusive message over JACK, and shows which preset the console holds. "
    "Includes the command-line companion sonvale-cli and the emulated console ostra-emulator.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The driver is a JACK client and never starts a server itself; the fonts are the ones the program
# substitutes for its two faces; Qt's translations give the boxes' standard buttons their Japanese labels.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "jackd2 | pipewire-jack, fonts-liberation2, fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)
