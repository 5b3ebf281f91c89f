# The Debian package: "cpack -G DEB" in the build folder makes tarnwick_<version>_amd64.deb.
# Programs in bin, helpers in libexec/tarnwick, the libraries private in lib/<triplet>/tarnwick
# (outside the folders the dynamic linker searches, so no ldconfig run is needed); every
# RPATH is relative to the file, so the package works wherever the prefix puts it.
include(GNUInstallDirs)

if(CMAKE_LIBRARY_ARCHITECTURE)
  set(tw_private_libdir "lib/${CMAKE_LIBRARY_ARCHITECTURE}/tarnwick")
else()
  set(tw_private_libdir "lib/tarnwick")
endif()
set(tw_helper_dir "${CMAKE_INSTALL_LIBEXECDIR}/tarnwick")

set(tw_shared_libraries twcore twlog twopt twuilib twuiext twupd tw_crypto)
foreach(library IN LISTS tw_shared_libraries)
  if(TARGET ${library})
    set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${library} LIBRARY DESTINATION ${tw_private_libdir} NAMELINK_SKIP)
  endif()
endforeach()

foreach(program tarnwick twcli)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${tw_private_libdir}")
  endif()
endforeach()
if(TARGET tarnwick)
  install(TARGETS tarnwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# twcli and the helpers have their install rules beside their targets.
foreach(helper twcli-clip tarnwick-update-install)
  if(TARGET ${helper})
    set_target_properties(${helper} PROPERTIES INSTALL_RPATH "$ORIGIN/../../${tw_private_libdir}")
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/data/tarnwick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/tarnwick.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/tarnwick-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME tarnwick.xml)
if(EXISTS ${PROJECT_SOURCE_DIR}/src/update/keys/update-public.pem)
  install(FILES ${PROJECT_SOURCE_DIR}/src/update/keys/update-public.pem DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnwick
    RENAME update-key.pem)
endif()

# Debian wants the copyright and a compressed changelog in the package's doc folder (the
# package has no Debian revision of its own, so the changelog has the upstream name).
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)
set(tw_changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${tw_changelog}
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/data/changelog > ${tw_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/changelog
  VERBATIM)
add_custom_target(tw_package_changelog ALL DEPENDS ${tw_changelog})
install(FILES ${tw_changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)

# The manual pages, compressed as Debian wants them.
foreach(page tarnwick twcli)
  set(tw_page ${CMAKE_CURRENT_BINARY_DIR}/${page}.1.gz)
  add_custom_command(OUTPUT ${tw_page}
    COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/data/man/${page}.1 > ${tw_page}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/man/${page}.1
    VERBATIM)
  list(APPEND tw_pages ${tw_page})
  install(FILES ${tw_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(tw_manual_pages ALL DEPENDS ${tw_pages})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR Kelmarsh)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kelmarsh <support@kelmarsh.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${TW_PACKAGE_PREFIX})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Passwortverwaltung mit verschlüsselter Datenbank")
set(CPACK_PACKAGE_DESCRIPTION
  "Tarnwick verwahrt Passwörter in einer verschlüsselten Datenbank, geordnet\n\
in Ordnern. Es erzeugt sichere Passwörter nach Richtlinien, trägt\n\
Anmeldedaten in andere Programme ein, schützt die Zwischenablage und\n\
importiert die Exportdateien anderer Passwortverwaltungen. Dazu gehört das\n\
Kommandozeilenwerkzeug twcli.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_NAME tarnwick)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kelmarsh <support@kelmarsh.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps finds the outside libraries' packages; ours come along in the private folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(tw_private_dirs)
foreach(library IN LISTS tw_shared_libraries)
  if(TARGET ${library})
    get_target_property(tw_library_dir ${library} BINARY_DIR)
    list(APPEND tw_private_dirs "${tw_library_dir}")
  endif()
endforeach()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${tw_private_dirs})
# The update runs through pkexec (and dpkg, which every system has).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)
