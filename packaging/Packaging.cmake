# Packages: `cmake --build build --target package` makes the Debian package of both programs and,
# when spawn-tool.exe is cross-built (SPAWN_WINDOWS_TOOL), a zip of it for Windows.
option(SPAWN_PACKAGE "Make the package files (manual pages, icons, desktop entry) and test the package" ON)
if(NOT SPAWN_PACKAGE)
  return()
endif()

# Manual pages come from the programs' own --help and --version, so they never drift from them.
find_program(SPAWN_HELP2MAN help2man REQUIRED)
find_program(SPAWN_GZIP gzip REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(SPAWN_APP_ID invalid.spawn_editor.SpawnEditor) # reverse domain name of spawn-editor.invalid
set(SPAWN_MAINTAINER "Spawn Editor developers <dev@spawn-editor.invalid>")
set(_spawn_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_spawn_staged ${PROJECT_BINARY_DIR}/packaging)
string(TIMESTAMP SPAWN_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP SPAWN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

file(MAKE_DIRECTORY ${_spawn_staged}/man)
set(_spawn_manual_pages "")
# spawn-tool's page also lists each command's own --help, in a section help2man includes.
set(_spawn_tool_commands ${_spawn_staged}/man/spawn-tool-commands.h2m)
add_custom_command(OUTPUT ${_spawn_tool_commands}
  COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:spawn-tool> -DOUTPUT=${_spawn_tool_commands}
          -P ${_spawn_packaging}/ManualCommands.cmake
  DEPENDS spawn-tool ${_spawn_packaging}/ManualCommands.cmake
  VERBATIM)
foreach(program spawn-editor spawn-tool)
  set(_page ${_spawn_staged}/man/${program}.1)
  if(program STREQUAL "spawn-editor")
    set(_name "graphical editor for a game server's spawn file")
    set(_include "")
    set(_include_option "")
  else()
    set(_name "read, check and write a game server's spawn file from the command line")
    set(_include ${_spawn_tool_commands})
    set(_include_option --include=${_spawn_tool_commands})
  endif()
  add_custom_command(OUTPUT ${_page}.gz
    # The editor answers --help without a display; offscreen keeps it from looking for one anyway.
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            ${SPAWN_HELP2MAN} --no-info --section=1 --name=${_name} ${_include_option}
            --output=${_page} $<TARGET_FILE:${program}>
    COMMAND ${SPAWN_GZIP} -9nf ${_page}
    DEPENDS ${program} ${_include}
    VERBATIM)
  list(APPEND _spawn_manual_pages ${_page}.gz)
endforeach()

# The application icon at the sizes of the hicolor theme, drawn by the script that draws the
# editor's own pictures.
set(_spawn_icon_sizes 16 22 24 32 48 64 128 256)
set(_spawn_icons "")
foreach(size ${_spawn_icon_sizes})
  list(APPEND _spawn_icons ${_spawn_staged}/icons/${size}x${size}/apps/spawn-editor.png)
endforeach()
add_custom_command(OUTPUT ${_spawn_icons}
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/resources/map/generate_assets.py --app-icons
          ${_spawn_staged}/icons ${_spawn_icon_sizes}
  DEPENDS ${PROJECT_SOURCE_DIR}/resources/map/generate_assets.py
  VERBATIM)

configure_file(${_spawn_packaging}/metainfo.xml.in ${_spawn_staged}/${SPAWN_APP_ID}.metainfo.xml @ONLY)
configure_file(${_spawn_packaging}/changelog.in ${_spawn_staged}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${_spawn_staged}/doc/changelog.gz
  COMMAND ${SPAWN_GZIP} -9nkf ${_spawn_staged}/doc/changelog
  DEPENDS ${_spawn_staged}/doc/changelog
  VERBATIM)

add_custom_target(spawn_package_files ALL DEPENDS ${_spawn_manual_pages} ${_spawn_icons} ${_spawn_staged}/doc/changelog.gz)

# Symbols bound at start-up, so the relocation table can be read-only (Debian's hardening).
target_link_options(spawn-editor PRIVATE -Wl,-z,now)
target_link_options(spawn-tool PRIVATE -Wl,-z,now)
install(TARGETS spawn-editor spawn-tool RUNTIME DESTINATION bin)
install(FILES ${_spawn_manual_pages} DESTINATION share/man/man1)
install(FILES ${_spawn_packaging}/spawn-editor.desktop DESTINATION share/applications
        RENAME ${SPAWN_APP_ID}.desktop)
install(FILES ${_spawn_staged}/${SPAWN_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${_spawn_staged}/icons/ DESTINATION share/icons/hicolor)
install(FILES ${_spawn_packaging}/spawn-tool.bash-completion DESTINATION share/bash-completion/completions
        RENAME spawn-tool)
install(FILES ${_spawn_packaging}/copyright ${_spawn_staged}/doc/changelog.gz DESTINATION share/doc/spawn-editor)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME spawn-editor)
set(CPACK_PACKAGE_VENDOR "Spawn Editor developers")
set(CPACK_PACKAGE_CONTACT ${SPAWN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for a game server's spawn file")
# CPack puts the summary first and indents these lines; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Spawn Editor edits mobset.data, the binary file that lists the areas of a game
world where creatures appear: it lists, searches, edits, appends and removes
the areas with undo, shows them on the world map and saves byte for byte.

spawn-tool reads, checks and writes the same files from the command line and
prints JSON, for scripts and servers without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # spawn-editor_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# spawn-editor.exe and spawn-tool.exe from the cross build, with a README made from the tool's
# --help, as a zip of their own. The Debian package leaves this component out.
get_property(_spawn_windows_exe GLOBAL PROPERTY SPAWN_WINDOWS_TOOL_EXE)
get_property(_spawn_windows_editor_exe GLOBAL PROPERTY SPAWN_WINDOWS_EDITOR_EXE)
if(_spawn_windows_exe)
  set(_spawn_readme ${_spawn_staged}/windows/README.txt)
  add_custom_command(OUTPUT ${_spawn_readme}
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:spawn-tool> -DVERSION=${PROJECT_VERSION}
            -DINTRO=${_spawn_packaging}/windows-readme.txt -DOUTPUT=${_spawn_readme}
            -P ${_spawn_packaging}/WindowsReadme.cmake
    DEPENDS spawn-tool ${_spawn_packaging}/windows-readme.txt ${_spawn_packaging}/WindowsReadme.cmake
    VERBATIM)
  add_custom_target(spawn_windows_readme ALL DEPENDS ${_spawn_readme})
  install(PROGRAMS ${_spawn_windows_editor_exe} ${_spawn_windows_exe} ${_spawn_readme} DESTINATION .
          COMPONENT windows_tool EXCLUDE_FROM_ALL)
  list(APPEND CPACK_GENERATOR ZIP)
  set(SPAWN_WINDOWS_ZIP_NAME spawn-editor-${PROJECT_VERSION}-windows-x64)
endif()
configure_file(${_spawn_packaging}/CPackGenerators.cmake.in ${_spawn_staged}/CPackGenerators.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${_spawn_staged}/CPackGenerators.cmake)
include(CPack)

add_subdirectory(${PROJECT_SOURCE_DIR}/tests/package ${PROJECT_BINARY_DIR}/tests/package)
