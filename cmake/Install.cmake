# Install rules, the files the desktop needs, and the Debian package.
#
# Programs go to bin/, the two shared libraries with their headers and pkg-config files to the
# library and include folders, the desktop entry, MIME definitions, icons, metainfo, manual
# pages and the user guide to share/. Below /usr the programs find the libraries on the system
# path; below any other prefix through RPATH $ORIGIN/../<libdir>.

set(TARNIS_DATA_DIR ${CMAKE_SOURCE_DIR}/data)
set(TARNIS_APP_ID com.tarnistech.TarnisViewer)
set(TARNIS_SHARE_SUBDIR ${CMAKE_INSTALL_DATADIR}/tarnis-viewer)

# The build folder mirrors the installed layout for the files the programs read at run time, so
# bin/tarnis-viewer finds its guide the same way in both places.
set(TARNIS_BUILD_SHARE ${CMAKE_BINARY_DIR}/${TARNIS_SHARE_SUBDIR})
set(TARNIS_HELP_FILES ${TARNIS_DATA_DIR}/help/index.html ${TARNIS_DATA_DIR}/screenshots/main-window.png)
set(TARNIS_MAN_PAGES tarnis-viewer.1 tarnis-convert.1)
set(TARNIS_DATA_OUTPUTS)
foreach(file IN LISTS TARNIS_HELP_FILES)
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${TARNIS_BUILD_SHARE}/help/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${TARNIS_BUILD_SHARE}/help/${name}
    DEPENDS ${file} VERBATIM)
  list(APPEND TARNIS_DATA_OUTPUTS ${TARNIS_BUILD_SHARE}/help/${name})
endforeach()
# Manual pages are installed compressed, without a time stamp, as Debian wants them.
foreach(page IN LISTS TARNIS_MAN_PAGES)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "gzip -9nc '${TARNIS_DATA_DIR}/man/${page}' > '${CMAKE_BINARY_DIR}/man/${page}.gz'"
    DEPENDS ${TARNIS_DATA_DIR}/man/${page} VERBATIM)
  list(APPEND TARNIS_DATA_OUTPUTS ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/debian
  COMMAND sh -c "gzip -9nc '${TARNIS_DATA_DIR}/debian/changelog' > '${CMAKE_BINARY_DIR}/debian/changelog.gz'"
  DEPENDS ${TARNIS_DATA_DIR}/debian/changelog VERBATIM)
list(APPEND TARNIS_DATA_OUTPUTS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_target(tarnis_data ALL DEPENDS ${TARNIS_DATA_OUTPUTS})

foreach(lib codexa tarnisdib)
  configure_file(${TARNIS_DATA_DIR}/pkgconfig/${lib}.pc.in ${CMAKE_BINARY_DIR}/pkgconfig/${lib}.pc @ONLY)
endforeach()

# Programs and libraries.
set(TARNIS_INSTALL_TARGETS tarnis-convert codexa tarnisdib)
if(TARGET tarnis-viewer)
  list(APPEND TARNIS_INSTALL_TARGETS tarnis-viewer)
endif()
install(TARGETS ${TARNIS_INSTALL_TARGETS}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/codec/codexa.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarnis/codec)
install(FILES ${CMAKE_SOURCE_DIR}/dib/dib.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarnis/dib)
install(FILES ${CMAKE_SOURCE_DIR}/platform/wintypes.h ${CMAKE_SOURCE_DIR}/platform/globalmem.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarnis/platform)
install(FILES ${CMAKE_BINARY_DIR}/pkgconfig/codexa.pc ${CMAKE_BINARY_DIR}/pkgconfig/tarnisdib.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Desktop integration.
install(FILES ${TARNIS_DATA_DIR}/${TARNIS_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TARNIS_DATA_DIR}/${TARNIS_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TARNIS_DATA_DIR}/tarnis-viewer-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME tarnis-viewer.xml)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${TARNIS_DATA_DIR}/icons/tarnis-viewer-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tarnis-viewer.png)
endforeach()
install(FILES ${TARNIS_DATA_DIR}/icons/tarnis-viewer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${TARNIS_BUILD_SHARE}/help DESTINATION ${TARNIS_SHARE_SUBDIR})
install(FILES ${CMAKE_BINARY_DIR}/man/tarnis-viewer.1.gz ${CMAKE_BINARY_DIR}/man/tarnis-convert.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TARNIS_DATA_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package (cpack -G DEB in a build configured with CMAKE_INSTALL_PREFIX=/usr).
set(CPACK_PACKAGE_NAME tarnis-viewer)
set(CPACK_PACKAGE_VENDOR TarnisTech)
set(CPACK_PACKAGE_CONTACT "TarnisTech <packages@tarnistech.com>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture viewer with thumbnails, light editing and batch conversion")
# The synopsis comes from the summary; these lines become the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarnis Viewer shows a folder of pictures as a grid of numbered thumbnails
beside a folder tree, and the chosen picture in a zoomable pane with pages,
printing, selections, rotation, resizing and tone effects. tarnis-convert
converts single pictures or whole folders from the command line.
.
Formats: BMP, JPEG, GIF, TGA, PCX, TIFF, GEM IMG, MacPaint, PNG, WebP, AVIF,
HEIC and JPEG XL.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${TARNIS_DATA_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
