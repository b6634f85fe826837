# How the game is installed (cmake --install) and packaged (cpack -G DEB):
# the program, its data, and what desktops, software centres, man and
# Debian's tools look for. Folders are relative to the prefix: /usr in the
# package, /usr/local (or --prefix) by hand.

set(ZELTO_METAINFO_ID org.zeltostar.zelto)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The manual page and the changelog are installed compressed, without name
# or time in the gzip header, so that two builds give the same package.
set(ZELTO_COMPRESSED ${CMAKE_CURRENT_BINARY_DIR}/zelto.6.gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
foreach(pair "dist/zelto.6|zelto.6.gz" "dist/changelog|changelog.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 output)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${output}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\""
            ${CMAKE_CURRENT_SOURCE_DIR}/${source} ${CMAKE_CURRENT_BINARY_DIR}/${output}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source}
    VERBATIM)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${ZELTO_COMPRESSED})

install(TARGETS zelto DESTINATION ${ZELTO_INSTALL_BINDIR})
# The assets only: nothing a game run from data/ leaves there.
install(DIRECTORY data/ DESTINATION ${ZELTO_INSTALL_DATADIR}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
  PATTERN "zelto_score.dat*" EXCLUDE
  PATTERN "zelto_screen*.bmp" EXCLUDE
  PATTERN "*.zrec" EXCLUDE
  PATTERN "replays" EXCLUDE)
install(FILES dist/zelto.desktop DESTINATION share/applications)
install(FILES dist/zelto.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 48 64 128 256)
  install(FILES dist/icons/zelto_${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME zelto.png)
endforeach()
install(FILES dist/${ZELTO_METAINFO_ID}.metainfo.xml DESTINATION share/metainfo)
# Recorded runs (.zrec) as a file type of their own, with the game's icon:
# opened from a file manager, the desktop entry watches them.
install(FILES dist/zelto-replay.xml DESTINATION share/mime/packages RENAME zelto.xml)
install(FILES dist/zelto.svg DESTINATION share/icons/hicolor/scalable/mimetypes
  RENAME application-x-zelto-replay.svg)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/zelto.6.gz DESTINATION share/man/man6)
install(FILES dist/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION share/doc/zelto)

# The Debian package: zelto_<version>_<arch>.deb, its library dependencies
# found by dpkg-shlibdeps, the program stripped.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelto)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Zelto Star! developers")
set(CPACK_PACKAGE_CONTACT "The Zelto Star! developers <zelto-star@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "vertical shoot-'em-up with three bosses")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zelto Star! is an arcade space shooter in a 640 x 480 window. Steer your ship
up the play column, shoot the enemy ships down and collect the gems they
burst into: gems are the only score. After the opening wave come the bosses
GLAIVE, VORTEX and ANGEL, and at the end an endless final stage.
.
It is played with the keyboard or a joystick, and keeps the five best scores.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
