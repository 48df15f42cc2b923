# What `cmake --install` and the Debian package (`make deb`) put on a system.
include(GNUInstallDirs)
set(fuentes_paquete ${CMAKE_CURRENT_LIST_DIR})
set(iconos ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

install(TARGETS tromblechatix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${fuentes_paquete}/tromblechatix.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${fuentes_paquete}/org.example.tromblechatix.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${fuentes_paquete}/tromblechatix.svg DESTINATION ${iconos}/scalable/apps)

# Manual pages go compressed, as every other one on the system.
set(manual ${CMAKE_BINARY_DIR}/manual/tromblechatix.1)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/manual)
add_custom_command(OUTPUT ${manual}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${fuentes_paquete}/tromblechatix.1 ${manual}
  COMMAND gzip -9nf ${manual}
  DEPENDS ${fuentes_paquete}/tromblechatix.1 VERBATIM)
add_custom_target(manual ALL DEPENDS ${manual}.gz)
install(FILES ${manual}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The bitmap sizes are drawn from the one SVG; without rsvg-convert (make deb installs it)
# only the SVG is installed.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  foreach(lado 16 22 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/iconos/${lado}x${lado}/tromblechatix.png)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/iconos/${lado}x${lado})
    add_custom_command(OUTPUT ${png}
      COMMAND ${RSVG_CONVERT} -w ${lado} -h ${lado} -o ${png} ${fuentes_paquete}/tromblechatix.svg
      DEPENDS ${fuentes_paquete}/tromblechatix.svg VERBATIM)
    list(APPEND pngs ${png})
    install(FILES ${png} DESTINATION ${iconos}/${lado}x${lado}/apps)
  endforeach()
  add_custom_target(iconos ALL DEPENDS ${pngs})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tromblechatix)
set(CPACK_PACKAGE_VENDOR Qorlunde)
set(CPACK_PACKAGE_CONTACT "Qorlunde <tromblechatix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "messenger for the local network that needs no server")
set(CPACK_PACKAGE_DESCRIPTION "Every running copy listens on TCP port 5777 and connects to the
contacts of its address book: it shows who is connected, sends flash messages,
holds chat rooms and sends files. The user interface is in Spanish.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# The libraries it links come from dpkg-shlibdeps; the Spanish texts of Qt's own buttons
# are only recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_STRIP_FILES ON)
include(CPack)
