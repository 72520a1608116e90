# Install layout and the Debian package.
#
#   bin/quorvane                  launcher: changes to share/quorvane, runs the program
#   libexec/quorvane/quorvane     the program itself, which reads data/ from its working folder
#   share/quorvane/data/          the eleven images and the music
#   share/doc/quorvane/           the notes on how the art and music are made
#
# The launcher finds the other two relative to itself, so an unpacked tree (dpkg -x, or
# cmake --install with any prefix) plays from wherever it was put.
include(GNUInstallDirs)

set(QUORVANE_DATA_DIR "${CMAKE_SOURCE_DIR}/data" CACHE PATH
    "Folder whose images and music are installed as the show's data/")

set(quorvaneShareDir ${CMAKE_INSTALL_DATADIR}/quorvane)
set(quorvaneProgramDir ${CMAKE_INSTALL_LIBEXECDIR}/quorvane)
file(RELATIVE_PATH launcherToShare /${CMAKE_INSTALL_BINDIR} /${quorvaneShareDir})
file(RELATIVE_PATH launcherToProgram /${CMAKE_INSTALL_BINDIR} /${quorvaneProgramDir})

install(TARGETS quorvane RUNTIME DESTINATION ${quorvaneProgramDir})

file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/install/quorvane CONTENT "#!/bin/sh
# Plays the Quorvane show. The program reads data/ relative to its working folder, so it
# is started in the folder the data was installed to.
here=$(dirname \"$(readlink -f \"$0\")\")
cd \"$here/${launcherToShare}\" 2>/dev/null || {
  echo \"quorvane: cannot enter the show's folder $here/${launcherToShare}\" >&2
  exit 1
}
exec \"$here/${launcherToProgram}/quorvane\" \"$@\"
")
install(PROGRAMS ${CMAKE_BINARY_DIR}/install/quorvane DESTINATION ${CMAKE_INSTALL_BINDIR})

if(EXISTS ${QUORVANE_DATA_DIR})
  install(DIRECTORY ${QUORVANE_DATA_DIR}/ DESTINATION ${quorvaneShareDir}/data
          FILES_MATCHING PATTERN "*.bmp" PATTERN "*.mp3")
  install(DIRECTORY ${QUORVANE_DATA_DIR}/ DESTINATION ${CMAKE_INSTALL_DOCDIR}
          FILES_MATCHING PATTERN "*.md")
else()
  message(WARNING "No ${QUORVANE_DATA_DIR}: the install and the package will hold no data")
endif()

# The Debian package. Its library dependencies are computed by dpkg-shlibdeps from the
# program's own links (SDL 1.2, SDL_image, SDL_mixer, GL, GLU, the C++ runtime).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvane demo team")
set(CPACK_PACKAGE_CONTACT "The Quorvane demo team <demo@quorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time audiovisual demo")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorvane opens a full-screen 800x600 OpenGL window and plays an
85.5-second sequence of textured cubes and a particle fountain over a fogged
value-noise landscape, to its own music. Escape ends it early.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libGL needs a driver to draw anything; Mesa's covers every machine, in software if need be.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_STRIP_FILES ON)
include(CPack)
