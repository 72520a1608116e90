# Install layout and the Debian package, in Debian's layout for games:
#
#   games/quorvane                      launcher: changes to the data folder, runs the program
#   bin/quorvane-capture                launcher: runs the capture program on the installed data
#   libexec/quorvane/                   the programs themselves, which read data/ from their
#                                       working folder (or the capture program's --root)
#   share/games/quorvane/data/          the eleven images and the music
#   share/applications/quorvane.desktop the menu entry, with icons/hicolor/NxN/apps/quorvane.png
#   share/man/man6, man1                the manual pages quorvane(6) and quorvane-capture(1)
#   share/doc/quorvane/                 copyright, changelog.gz, the notes on art, music, capture
#
# The launchers find the rest relative to themselves, so an unpacked tree (dpkg -x, or
# cmake --install with any prefix) plays from wherever it was put.
set(QUORVANE_DATA_DIR "${CMAKE_SOURCE_DIR}/data" CACHE PATH
    "Folder whose images and music are installed as the show's data/")

# Directories 0755 whatever the umask, as Debian wants them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(packagingDir ${CMAKE_SOURCE_DIR}/packaging)
set(installDir ${CMAKE_BINARY_DIR}/install)
set(gamesDir games)
set(toolsDir bin)
set(quorvaneShareDir share/games/quorvane)
set(quorvaneProgramDir libexec/quorvane)   # FHS 3.0's place for programs run by others
set(docDir share/doc/quorvane)

# Writes a launcher script into the build tree and installs it into destination.
# body is the script after the line that finds the launcher's own folder as $here.
function(quorvane_launcher name destination body)
  file(GENERATE OUTPUT ${installDir}/${name} CONTENT "#!/bin/sh
${body}")
  install(PROGRAMS ${installDir}/${name} DESTINATION ${destination})
endfunction()

file(RELATIVE_PATH gamesToShare /${gamesDir} /${quorvaneShareDir})
file(RELATIVE_PATH gamesToProgram /${gamesDir} /${quorvaneProgramDir})
# Installs a program and, in a stripped install (cpack), drops the compilers' notes as
# Debian's own packaging does; binds every symbol at load, as Debian's hardening asks.
function(quorvane_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${quorvaneProgramDir})
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${quorvaneProgramDir}/${target}\"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()")
  target_link_options(${target} PRIVATE -Wl,-z,now)
endfunction()

quorvane_program(quorvane)
quorvane_launcher(quorvane ${gamesDir} "# Plays the Quorvane show. The program reads data/ relative to its working folder, so it
# is started in the folder the data was installed to.
here=$(dirname \"$(readlink -f \"$0\")\")
cd \"$here/${gamesToShare}\" 2>/dev/null || {
  echo \"quorvane: cannot enter the show's folder $here/${gamesToShare}\" >&2
  exit 1
}
exec \"$here/${gamesToProgram}/quorvane\" \"$@\"
")

if(TARGET quorvane-capture)
  file(RELATIVE_PATH toolsToShare /${toolsDir} /${quorvaneShareDir})
  file(RELATIVE_PATH toolsToProgram /${toolsDir} /${quorvaneProgramDir})
  quorvane_program(quorvane-capture)
  quorvane_launcher(quorvane-capture ${toolsDir} "# Renders the installed Quorvane show. Output paths stay those of the caller's folder; a
# --root given by the caller comes later and wins.
here=$(dirname \"$(readlink -f \"$0\")\")
exec \"$here/${toolsToProgram}/quorvane-capture\" --root \"$here/${toolsToShare}\" \"$@\"
")
endif()

if(EXISTS ${QUORVANE_DATA_DIR})
  install(DIRECTORY ${QUORVANE_DATA_DIR}/ DESTINATION ${quorvaneShareDir}/data
          FILES_MATCHING PATTERN "*.bmp" PATTERN "*.mp3")
else()
  message(WARNING "No ${QUORVANE_DATA_DIR}: the install and the package will hold no data")
endif()

# The menu entry and its icon, drawn from the logo by tools/artgen (--icons).
install(FILES ${packagingDir}/quorvane.desktop DESTINATION share/applications)
file(GLOB icons ${packagingDir}/icons/quorvane-*.png)
foreach(icon ${icons})
  string(REGEX MATCH "[0-9]+[.]png$" size ${icon})
  string(REPLACE ".png" "" size ${size})
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME quorvane.png)
endforeach()

# Manual pages and the changelog, compressed as Debian wants them: gzip -9, no name or time.
set(compressed)
foreach(source quorvane.6 quorvane-capture.1 changelog)
  add_custom_command(OUTPUT ${installDir}/${source}.gz
    COMMAND gzip -9n -c ${packagingDir}/${source} > ${installDir}/${source}.gz
    DEPENDS ${packagingDir}/${source} VERBATIM)
  list(APPEND compressed ${installDir}/${source}.gz)
endforeach()
add_custom_target(quorvane_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${installDir}/quorvane.6.gz DESTINATION share/man/man6)
install(FILES ${installDir}/quorvane-capture.1.gz DESTINATION share/man/man1)
install(FILES ${installDir}/changelog.gz ${packagingDir}/copyright DESTINATION ${docDir})
install(FILES ${CMAKE_SOURCE_DIR}/docs/ART.md ${CMAKE_SOURCE_DIR}/docs/MUSIC.md
        ${CMAKE_SOURCE_DIR}/docs/CAPTURE.md ${CMAKE_SOURCE_DIR}/docs/SHIPPING.md DESTINATION ${docDir})
install(FILES ${packagingDir}/lintian-overrides DESTINATION share/lintian/overrides RENAME quorvane)

# The Debian package. Its library dependencies are computed by dpkg-shlibdeps from the
# programs' own links (SDL 1.2, SDL_image, SDL_mixer, GL, GLU, the C++ runtime).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvane demo team")
set(CPACK_PACKAGE_CONTACT "The Quorvane demo team <demo@quorvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time audiovisual demo")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorvane is a demo in the demoscene's sense: a non-interactive show of
real-time 3D graphics and music. It opens a full-screen 800x600 OpenGL
window and plays an 85.5-second sequence over a fogged value-noise
landscape: a logo cube that rests, recedes and spins, a particle fountain,
a credits cube, a cube that splits into five and then seven, and a ring of
greetings, timed to the millisecond to its own looping soundtrack.
Escape ends it early.

The package also holds quorvane-capture, which renders the show offline at
exactly 50 frames per second to PNG stills, to an H.264 video with the
soundtrack (with ffmpeg), or to a table of frame costs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libGL needs a driver to draw anything; Mesa's covers every machine, in software if need be.
# The capture program encodes videos with ffmpeg and, without a display, starts Xvfb; the
# show itself and the stills need neither.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, ffmpeg, xvfb")
set(CPACK_STRIP_FILES ON)
# What lintian checks: control files 0644/0755 whatever the umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
