# Installation and the Debian package.
#
# `cmake --install` puts the program folder under one prefix (default
# /opt/tavik6) and the files the system looks for in their usual places:
#
#   <prefix>/bin/              the program folder: Tavik6, Velmora4, AppToService,
#                              tavik6-demo-server, and libtavik6-desktop.so and
#                              tavik6-browser where they are built
#   <prefix>/share/icons/      the program's pictures
#   TAVIK_SYSTEMD_UNIT_DIR     tavik6@.service, the headless client per profile
#   TAVIK_APPLICATIONS_DIR     tavik6.desktop, the desktop client in the menu
#   TAVIK_AUTOSTART_DIR        tavik6.desktop, the desktop client at login
#   TAVIK_ICON_DIR             tavik6.svg, the application icon
#   TAVIK_MAN_DIR              Tavik6.1
#
# The last five are absolute; DESTDIR moves them with the rest, --prefix does
# not. `cpack -G DEB` builds the package tavik6 from the same rules.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX "/opt/tavik6" CACHE PATH "Install prefix; the program folder is <prefix>/bin" FORCE)
endif()
set(TAVIK_SYSTEMD_UNIT_DIR "/lib/systemd/system" CACHE PATH "Where the systemd unit goes")
set(TAVIK_APPLICATIONS_DIR "/usr/share/applications" CACHE PATH "Where the desktop entry goes")
set(TAVIK_AUTOSTART_DIR "/etc/xdg/autostart" CACHE PATH "Where the autostart entry goes")
set(TAVIK_ICON_DIR "/usr/share/icons/hicolor/scalable/apps" CACHE PATH "Where the application icon goes")
set(TAVIK_MAN_DIR "/usr/share/man/man1" CACHE PATH "Where the man page goes")

# The program finds its companions beside itself, so they share one folder.
set(tavik_program_folder bin)
install(TARGETS Tavik6 Velmora4 AppToService tavik6-demo-server RUNTIME DESTINATION ${tavik_program_folder})
foreach(optional_target tavik6-desktop tavik6-browser)
  if(TARGET ${optional_target})
    install(TARGETS ${optional_target}
      RUNTIME DESTINATION ${tavik_program_folder} OPTIONAL
      LIBRARY DESTINATION ${tavik_program_folder} OPTIONAL)
  endif()
endforeach()

# The unit and the desktop entries name the program by its installed path.
# They are written when installing, so that a prefix given to
# `cmake --install --prefix` reaches them too.
set(tavik_packaging_out ${CMAKE_BINARY_DIR}/packaging)
install(CODE "
  set(TAVIK_PROGRAM_FOLDER \"\${CMAKE_INSTALL_PREFIX}/${tavik_program_folder}\")
  foreach(template tavik6@.service tavik6.desktop tavik6-autostart.desktop)
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/\${template}.in\" \"${tavik_packaging_out}/\${template}\" @ONLY)
  endforeach()
")
install(FILES ${tavik_packaging_out}/tavik6@.service DESTINATION ${TAVIK_SYSTEMD_UNIT_DIR})
install(FILES ${tavik_packaging_out}/tavik6.desktop DESTINATION ${TAVIK_APPLICATIONS_DIR})
install(FILES ${tavik_packaging_out}/tavik6-autostart.desktop DESTINATION ${TAVIK_AUTOSTART_DIR}
  RENAME tavik6.desktop)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/Tavik6.1 DESTINATION ${TAVIK_MAN_DIR})

# Whatever pictures the desktop front end has; the "connected" tray picture
# doubles as the application icon.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/src/ui/icons/ DESTINATION share/icons
  FILES_MATCHING PATTERN "*.svg")
install(FILES ${CMAKE_SOURCE_DIR}/src/ui/icons/state2.svg DESTINATION ${TAVIK_ICON_DIR}
  RENAME tavik6.svg OPTIONAL)

# The Debian package. The headless client needs only these libraries; the
# desktop module is loaded when its Qt libraries are there, so they are only
# recommended and a server install stays free of them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavik6)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavik6 developers")
set(CPACK_PACKAGE_CONTACT "Tavik6 developers")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tavik6 developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps a hosts entry for a server with a changing address")
set(CPACK_PACKAGE_DESCRIPTION "Tavik6 asks the service's web server at a fixed rhythm for the current \
address of the customer's own server and keeps one marked line for it in the hosts file. With the updater \
Velmora4, the service tool AppToService and a systemd unit per profile.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.36), libstdc++6 (>= 12), libgcc-s1, libsqlite3-0, libcpp-httplib0.11")
set(tavik_recommends "")
if(TARGET tavik6-desktop)
  list(APPEND tavik_recommends libqt6widgets6 libqt6svg6 libglib2.0-0 qt6-translations-l10n)
endif()
if(TARGET tavik6-browser)
  list(APPEND tavik_recommends libqt6webenginewidgets6)
endif()
list(JOIN tavik_recommends ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
# Installed with DESTDIR under the real prefix, so the absolute paths above
# and the paths written into the unit and the entries agree with the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
