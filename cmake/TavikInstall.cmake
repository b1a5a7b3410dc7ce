# Installation and the Debian packages.
#
# `cmake --install` puts the program folder under one prefix (default
# /opt/tavik6) and the files the system looks for in their usual places:
#
#   <prefix>/bin/              the program folder: Tavik6, Velmora4, AppToService,
#                              libtavik6-verify.so, libtavik6-tls.so, tavik6-demo-server, and libtavik6-desktop.so and
#                              tavik6-browser where they are built
#   <prefix>/share/icons/      the program's pictures
#   TAVIK_SYSTEMD_UNIT_DIR     tavik6@.service, the headless client per profile
#   TAVIK_APPLICATIONS_DIR     tavik6.desktop, the desktop client in the menu
#   TAVIK_AUTOSTART_DIR        tavik6.desktop, the desktop client at login
#   TAVIK_ICON_DIR             tavik6.svg, the application icon
#   TAVIK_MAN_DIR              Tavik6.1.gz
#   TAVIK_CONFIG_DIR           tavik6, the service's settings (/etc/default)
#   TAVIK_POLKIT_DIR           the polkit action that lets a desktop user's client
#                              run tavik6-hosts-helper
#
# The absolute ones move with DESTDIR, not with --prefix.
#
# `cpack -G DEB` builds three packages from the same rules, one per install
# component: tavik6 (the headless client, its companions, the unit; no Qt
# anywhere in its dependencies), tavik6-desktop (the Qt module, the browser
# window, the menu and autostart entries, the pictures) and
# tavik6-demo-server (the reference web server, for trying the client out).

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX "/opt/tavik6" CACHE PATH "Install prefix; the program folder is <prefix>/bin" FORCE)
endif()
set(TAVIK_SYSTEMD_UNIT_DIR "/lib/systemd/system" CACHE PATH "Where the systemd unit goes")
set(TAVIK_APPLICATIONS_DIR "/usr/share/applications" CACHE PATH "Where the desktop entry goes")
set(TAVIK_AUTOSTART_DIR "/etc/xdg/autostart" CACHE PATH "Where the autostart entry goes")
set(TAVIK_ICON_DIR "/usr/share/icons/hicolor/scalable/apps" CACHE PATH "Where the application icon goes")
set(TAVIK_MAN_DIR "/usr/share/man/man1" CACHE PATH "Where the man page goes")
set(TAVIK_CONFIG_DIR "/etc/default" CACHE PATH "Where the service's settings file goes")
set(TAVIK_DOC_DIR "/usr/share/doc" CACHE PATH "Where each package's copyright and changelog go")
set(TAVIK_POLKIT_DIR "/usr/share/polkit-1/actions" CACHE PATH "Where the polkit action goes")

# The program finds its companions beside itself, so they share one folder.
set(tavik_program_folder bin)
install(TARGETS Tavik6 Velmora4 AppToService tavik6-hosts-helper RUNTIME DESTINATION ${tavik_program_folder} COMPONENT tavik6)
# The update signature check Tavik6 loads when an update is there.
install(TARGETS tavik6-verify LIBRARY DESTINATION ${tavik_program_folder} COMPONENT tavik6)
# The TLS module goes with the client; only an https address loads it.
install(TARGETS tavik6-tls LIBRARY DESTINATION ${tavik_program_folder} COMPONENT tavik6)
install(TARGETS tavik6-demo-server RUNTIME DESTINATION ${tavik_program_folder} COMPONENT demo)
foreach(optional_target tavik6-desktop tavik6-browser)
  if(TARGET ${optional_target})
    install(TARGETS ${optional_target}
      RUNTIME DESTINATION ${tavik_program_folder} COMPONENT desktop
      LIBRARY DESTINATION ${tavik_program_folder} COMPONENT desktop)
  endif()
endforeach()

# The unit and the desktop entries name the program by its installed path.
# They are written when installing, so that a prefix given to
# `cmake --install --prefix` reaches them too.
set(tavik_packaging_out ${CMAKE_BINARY_DIR}/packaging)
install(CODE "
  set(TAVIK_PROGRAM_FOLDER \"\${CMAKE_INSTALL_PREFIX}/${tavik_program_folder}\")
  foreach(template tavik6@.service tavik6.desktop tavik6-autostart.desktop com.kovrin.tavik6.edit-hosts.policy)
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/\${template}.in\" \"${tavik_packaging_out}/\${template}\" @ONLY)
  endforeach()
" ALL_COMPONENTS)
install(FILES ${tavik_packaging_out}/tavik6@.service DESTINATION ${TAVIK_SYSTEMD_UNIT_DIR} COMPONENT tavik6)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tavik6.default DESTINATION ${TAVIK_CONFIG_DIR}
  RENAME tavik6 COMPONENT tavik6)
install(FILES ${tavik_packaging_out}/com.kovrin.tavik6.edit-hosts.policy DESTINATION ${TAVIK_POLKIT_DIR}
  COMPONENT tavik6)
install(FILES ${tavik_packaging_out}/tavik6.desktop DESTINATION ${TAVIK_APPLICATIONS_DIR} COMPONENT desktop)
install(FILES ${tavik_packaging_out}/tavik6-autostart.desktop DESTINATION ${TAVIK_AUTOSTART_DIR}
  RENAME tavik6.desktop COMPONENT desktop)

# The man page and the changelog go compressed, as Debian keeps them; -n keeps
# the name and time out of the archive, so a rebuild gives the same bytes.
find_program(TAVIK_GZIP gzip REQUIRED)
set(tavik_compressed ${CMAKE_BINARY_DIR}/packaging/compressed)
file(MAKE_DIRECTORY ${tavik_compressed})
set(tavik_compressed_files)
foreach(source Tavik6.1 changelog)
  add_custom_command(OUTPUT ${tavik_compressed}/${source}.gz
    COMMAND ${TAVIK_GZIP} -9nc ${CMAKE_SOURCE_DIR}/packaging/${source} > ${tavik_compressed}/${source}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${source} VERBATIM)
  list(APPEND tavik_compressed_files ${tavik_compressed}/${source}.gz)
endforeach()
add_custom_target(tavik_compressed_docs ALL DEPENDS ${tavik_compressed_files})
install(FILES ${tavik_compressed}/Tavik6.1.gz DESTINATION ${TAVIK_MAN_DIR} COMPONENT tavik6)
# Each package carries the copyright and the changelog in its own doc folder.
set(tavik_package_of_tavik6 tavik6)
set(tavik_package_of_desktop tavik6-desktop)
set(tavik_package_of_demo tavik6-demo-server)
foreach(component tavik6 desktop demo)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${tavik_compressed}/changelog.gz
    DESTINATION ${TAVIK_DOC_DIR}/${tavik_package_of_${component}} COMPONENT ${component})
endforeach()

# Whatever pictures the desktop front end has; the "connected" tray picture
# doubles as the application icon.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/src/ui/icons/ DESTINATION share/icons COMPONENT desktop
  FILES_MATCHING PATTERN "*.svg")
install(FILES ${CMAKE_SOURCE_DIR}/src/ui/icons/state2.svg DESTINATION ${TAVIK_ICON_DIR}
  RENAME tavik6.svg COMPONENT desktop)

# The Debian packages. dpkg-shlibdeps finds each program's libraries, so the
# dependencies follow what is really linked.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tavik6 demo)
if(TARGET tavik6-desktop)
  list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_PACKAGE_NAME tavik6)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavik6 developers")
set(CPACK_PACKAGE_CONTACT "Tavik6 developers <tavik6@tavik6.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tavik6 developers <tavik6@tavik6.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_TAVIK6_PACKAGE_NAME tavik6)
# The client opens SQLite and libsystemd (for the session end) with dlopen,
# which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_TAVIK6_PACKAGE_DEPENDS "libsqlite3-0 (>= 3.7.14), libsystemd0")
set(CPACK_COMPONENT_TAVIK6_DESCRIPTION "fixed name for a server with a changing address
Tavik6 asks the service's web server at a fixed rhythm for the current
address of the customer's own server and keeps one marked line for it in the
hosts file. With the updater Velmora4, the service tool AppToService and a
systemd unit per profile. This package holds no desktop parts.")
set(CPACK_DEBIAN_TAVIK6_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/packaging/debian/tavik6/conffiles
  ${CMAKE_SOURCE_DIR}/packaging/debian/tavik6/postinst
  ${CMAKE_SOURCE_DIR}/packaging/debian/tavik6/prerm
  ${CMAKE_SOURCE_DIR}/packaging/debian/tavik6/postrm)
set(CPACK_DEBIAN_TAVIK6_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tavik6-desktop)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "tavik6 (= ${PROJECT_VERSION})")
# Qt's own texts in German; pkexec for the helper that changes /etc/hosts
# for a desktop user's client.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS "qt6-translations-l10n, pkexec")
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION "desktop front end of Tavik6
The icon in the notification area with its menu, the first-start wizard,
the settings, info, help and about windows and the browser window of the
Tavik6 client, with its menu entry and an autostart entry for every user.")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/debian/tavik6-desktop/conffiles)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME tavik6-demo-server)
set(CPACK_COMPONENT_DEMO_DESCRIPTION "reference web server for trying out Tavik6
Answers the Tavik6 client's requests on the loopback address as the
service's web server would, for demonstrations and tests. Not needed to run
the client against the real service.")

# Installed with DESTDIR under the real prefix, so the absolute paths above
# and the paths written into the unit and the entries agree with the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
