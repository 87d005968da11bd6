# What `cmake --install` puts in place and what CPack (scripts/package) packs: on Windows the
# two programs, a readme for Windows users (CP932, CRLF) and the licence, as a zip; on Linux
# the window and the command line in bin, their desktop entry and icon, as a .deb and a .tar.gz.
set(CPACK_PACKAGE_NAME kestrelwick)
set(CPACK_PACKAGE_VENDOR "The Kestrelwick developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "The Kestrelwick developers <kestrelwick@localhost>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# What users run is stripped; the build's own programs keep their symbols.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS kestrelwick kestrelwick-cli RUNTIME DESTINATION .)
  set(readme ${CMAKE_CURRENT_BINARY_DIR}/readme.txt)
  add_custom_command(OUTPUT ${readme}
    COMMAND iconv -f UTF-8 -t CP932 -o ${readme} ${PROJECT_SOURCE_DIR}/cmake/readme-win32.txt
    COMMAND sed -i "s/$/\\r/" ${readme}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/readme-win32.txt VERBATIM)
  add_custom_target(kw_readme ALL DEPENDS ${readme})
  install(FILES ${readme} ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kestrelwick-${PROJECT_VERSION}-win32)
else()
  install(TARGETS kestrelwick kestrelwick-cli RUNTIME DESTINATION bin)
  install(FILES ui/qt/kestrelwick.desktop DESTINATION share/applications)
  foreach(size 16 32 48)
    install(FILES ui/icons/kestrelwick-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME kestrelwick.png)
  endforeach()
  install(FILES ui/icons/kestrelwick.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES LICENSE DESTINATION share/doc/kestrelwick RENAME copyright)
  set(CPACK_GENERATOR "DEB;TGZ")
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT arch)
    set(arch ${CMAKE_SYSTEM_PROCESSOR})
  endif()
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${arch})
  set(CPACK_PACKAGE_FILE_NAME kestrelwick-${PROJECT_VERSION}-linux-${arch})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # Depends from dpkg-shlibdeps: the Qt 6 libraries
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${PROJECT_DESCRIPTION}
 Drop the project folder on the window, type the new name and press the
 execute button: a sibling folder named after the new name gets a copy of
 every file, with the old project name replaced in the file names and in the
 project's text files. The original project is only read.")
endif()
include(CPack)
