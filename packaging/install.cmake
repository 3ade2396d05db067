# Install rules and the Debian package. `cmake --install` honours DESTDIR and --prefix;
# `make package` (CPack) packs the same files under /usr into a .deb.

# User commands go to bin; the simulator companion is started by vexlo, so it goes to the
# installed lib folder, where vexlo looks for it when the program folder has none.
foreach(program vexlo vexlo-unit vexlo-cli)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
# The live capture interface goes where Wireshark looks for its capture programs.
if(TARGET vexlo-extcap)
    install(TARGETS vexlo-extcap RUNTIME DESTINATION ${VEXLO_INSTALL_EXTCAPDIR})
endif()
if(TARGET EMUMAIN)
    install(TARGETS EMUMAIN RUNTIME DESTINATION ${VEXLO_INSTALL_LIBDIR})
endif()

# The line-indicator pictures, read when the program folder has none of its own, and the
# program's icon for its windows.
install(FILES ${PROJECT_SOURCE_DIR}/data/green.bmp ${PROJECT_SOURCE_DIR}/data/gray.bmp
              ${PROJECT_SOURCE_DIR}/packaging/vexlo.svg ${PROJECT_SOURCE_DIR}/packaging/vexlo-48.png
        DESTINATION ${VEXLO_INSTALL_DATADIR})
# The user guide that the help menu shows, with its pictures beside it as in the source tree.
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${VEXLO_INSTALL_DATADIR}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${VEXLO_INSTALL_DATADIR}/docs
        FILES_MATCHING PATTERN "*.png")

# Menu entry, icon and the capture log file type. vexlo-48.png is vexlo.svg drawn at 48 pixels
# (rsvg-convert -w 48 -h 48 vexlo.svg -o vexlo-48.png); draw it again when the SVG changes.
set(packaging ${CMAKE_CURRENT_LIST_DIR})
install(FILES ${packaging}/vexlo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/vexlo-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME vexlo.xml)
install(FILES ${packaging}/vexlo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/vexlo-48.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
        RENAME vexlo.png)

set(CPACK_PACKAGE_NAME vexlo)
set(CPACK_PACKAGE_VENDOR "Vexlo developers")
# The maintainer's address is the one the project's commits use.
set(CPACK_PACKAGE_CONTACT "Vexlo developers <maintainers@users.noreply.c-seed-10d4c103.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial line monitor for RS-232C and RS-422 lines")
set(CPACK_PACKAGE_DESCRIPTION
    "Vexlo is the PC program of a serial line monitor. A main unit taps an
RS-232C or RS-422/485 line and streams every byte of both directions, with
parity and framing errors and control-line changes, over a USB serial port.
Vexlo configures the unit, captures the stream, shows it live as a grid of
byte cells and lets the user browse, search, trigger on, save, export and
print captures. The user interface is in Japanese.
.
The package also holds vexlo-unit, a virtual main unit on a pseudo-terminal,
and vexlo-extcap, which makes the unit a live capture interface of Wireshark.")

# Manual pages and the Debian documentation (copyright, changelog), compressed as Debian
# wants them: gzip -9 without a time stamp.
string(TIMESTAMP changelogDate "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${packaging}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(compressed)
foreach(file ${packaging}/vexlo.1 ${packaging}/vexlo-unit.1 ${packaging}/vexlo-cli.1
             ${CMAKE_BINARY_DIR}/packaging/changelog)
    get_filename_component(name ${file} NAME)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/packaging/${name}.gz
        COMMAND sh -c "gzip -n -9 -c \"$1\" > \"$2\"" gzip ${file} ${CMAKE_BINARY_DIR}/packaging/${name}.gz
        DEPENDS ${file}
        VERBATIM)
    list(APPEND compressed ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
endforeach()
add_custom_target(vexlo-packaging-files ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vexlo.1.gz ${CMAKE_BINARY_DIR}/packaging/vexlo-unit.1.gz
              ${CMAKE_BINARY_DIR}/packaging/vexlo-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The Qt libraries, the serial-port and charts modules among them, come from dpkg-shlibdeps;
# the Japanese font and Qt's own Japanese texts are not linked and are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)
