# What `cmake --install` puts in place and what CPack (scripts/package) packs: on Windows the
# two programs, the Japanese readme and the licence (CP932 and CRLF, for Notepad), as a zip;
# on Linux the window and the command line in bin, their desktop entry, icons and manual pages
# (English and Japanese), the readmes, changelog and licence, as a .deb and a .tar.gz.
set(CPACK_PACKAGE_NAME kestrelwick)
set(CPACK_PACKAGE_VENDOR "The Kestrelwick developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT
    "The Kestrelwick developers <maintainers@users.noreply.c-seed-1ec0516c.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# What users run is stripped; the build's own programs keep their symbols.
set(CPACK_STRIP_FILES ON)

set(doc ${PROJECT_SOURCE_DIR}/doc)
# The readme of one system: lines marked W| are Windows' alone, L| Linux's.
function(kw_readme system out)
  get_filename_component(dir ${out} DIRECTORY)
  add_custom_command(OUTPUT ${out} COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND sed -e "/^[WL]|/{/^${system}|/!d}" -e "s/^[WL]|//" ${doc}/readme.ja.txt > ${out}
    DEPENDS ${doc}/readme.ja.txt VERBATIM)
endfunction()
if(WIN32)
  install(TARGETS kestrelwick kestrelwick-cli RUNTIME DESTINATION .)
  # What Notepad shows right: CP932 with CRLF, and a name it opens.
  set(readme ${CMAKE_CURRENT_BINARY_DIR}/readme.txt)
  set(license ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt)
  kw_readme(W ${readme}.ja)
  add_custom_command(OUTPUT ${readme} ${license}
    COMMAND iconv -f UTF-8 -t CP932 -o ${readme} ${readme}.ja
    COMMAND sed -i "s/$/\\r/" ${readme}
    COMMAND sed "s/$/\\r/" ${PROJECT_SOURCE_DIR}/LICENSE > ${license}
    DEPENDS ${readme}.ja ${PROJECT_SOURCE_DIR}/LICENSE VERBATIM)
  add_custom_target(kw_readme ALL DEPENDS ${readme} ${license})
  install(FILES ${readme} ${license} DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kestrelwick-${PROJECT_VERSION}-win32)
else()
  install(TARGETS kestrelwick kestrelwick-cli RUNTIME DESTINATION bin)
  install(FILES ui/qt/kestrelwick.desktop DESTINATION share/applications)
  foreach(size 16 20 24 32 40 48 64 256)
    install(FILES ui/icons/kestrelwick-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME kestrelwick.png)
  endforeach()
  install(FILES ui/icons/kestrelwick.svg DESTINATION share/icons/hicolor/scalable/apps)
  # Manual pages and the changelog, compressed as Debian keeps them.
  set(KW_DATE 2026-12-07)
  set(gzipped)
  foreach(page kestrelwick.1 kestrelwick-cli.1 ja/kestrelwick.1 ja/kestrelwick-cli.1 changelog)
    string(REPLACE "/" "-" flat ${page})
    set(src ${doc}/${page})
    if(page MATCHES "\\.1$")
      configure_file(${doc}/man/${page}.in ${CMAKE_CURRENT_BINARY_DIR}/man/${page} @ONLY)
      set(src ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
    endif()
    set(gz ${CMAKE_CURRENT_BINARY_DIR}/doc/${flat}.gz)
    add_custom_command(OUTPUT ${gz} COMMAND ${CMAKE_COMMAND} -E make_directory doc
      COMMAND gzip -9n -c ${src} > ${gz} DEPENDS ${src} VERBATIM)
    list(APPEND gzipped ${gz})
  endforeach()
  kw_readme(L ${CMAKE_CURRENT_BINARY_DIR}/doc/readme.ja.txt)
  add_custom_target(kw_docs ALL DEPENDS ${gzipped} ${CMAKE_CURRENT_BINARY_DIR}/doc/readme.ja.txt)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/doc)
  install(FILES ${out}/kestrelwick.1.gz ${out}/kestrelwick-cli.1.gz DESTINATION share/man/man1)
  foreach(page kestrelwick.1.gz kestrelwick-cli.1.gz)
    install(FILES ${out}/ja-${page} DESTINATION share/man/ja/man1 RENAME ${page})
  endforeach()
  install(FILES ${out}/changelog.gz ${out}/readme.ja.txt README.md DESTINATION share/doc/kestrelwick)
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
  # The synopsis is the summary; this is what follows it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Drop the folder of an ActiveBasic ver4 project on the window, type the
new name and press the execute button: a sibling folder named after the
new name gets a copy of every file, with the old project name replaced in
the file names and in the project's text files, each in its own encoding
(CP932, UTF-8, UTF-16). The original project is only read.
kestrelwick-cli does the same from the command line.")
endif()
include(CPack)
