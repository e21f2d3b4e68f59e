# The Debian package for the desks (scripts/package.sh): the program, its
# desktop entry and icon, the machine's trust store folder, the blacklist of
# the kernel's NFC drivers for the ACR122U, and the PC/SC daemon with its
# CCID driver as dependencies beside the shared libraries dpkg-shlibdeps finds.

install(DIRECTORY DESTINATION /etc/zelvan/trust)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/zelvan-acr122.conf DESTINATION /etc/modprobe.d)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelvan)
# Debian wants the changelog (of a native package: changelog.gz) and the
# manual page compressed, without a timestamp so that the package comes out
# the same each time.
set(ZELVAN_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
set(ZELVAN_MANUAL_GZ ${CMAKE_BINARY_DIR}/zelvan.1.gz)
add_custom_command(OUTPUT ${ZELVAN_CHANGELOG_GZ}
                   COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${ZELVAN_CHANGELOG_GZ}
                   DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
add_custom_command(OUTPUT ${ZELVAN_MANUAL_GZ}
                   COMMAND gzip -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/zelvan.1 > ${ZELVAN_MANUAL_GZ}
                   DEPENDS ${CMAKE_CURRENT_LIST_DIR}/zelvan.1)
add_custom_target(zelvan_package_files ALL DEPENDS ${ZELVAN_CHANGELOG_GZ} ${ZELVAN_MANUAL_GZ})
install(FILES ${ZELVAN_CHANGELOG_GZ} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelvan)
install(FILES ${ZELVAN_MANUAL_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Zelvan developers <destek@zelvan.com.tr>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "e-passport and e-ID chip reader for document checks")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads the contactless chip of ICAO 9303 electronic passports and ID cards\n"
    "through a PC/SC reader: BAC and PACE, Chip, Active and Passive\n"
    "Authentication against the CSCA trust store, the machine-readable zone cut\n"
    "into its fields, the personal details, the face and a coloured log of the\n"
    "card dialogue, for operators who check documents at a desk.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pcscd, libccid")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
