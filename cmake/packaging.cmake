# Packages for players, from the same install rules: on Linux a Debian package
# (cmake --build --preset linux --target package); for Windows a portable zip
# (target package) and a per-user installer made with NSIS (target installer).
# scripts/packages makes all three.

# Who and what the packages name; one place to change.
set(SCHLINGO_APP_ID de.schlingo.schlingo)
set(SCHLINGO_DEVELOPER "Die Schlingo-Entwickler")
set(SCHLINGO_MAINTAINER "Schlingo-Entwickler <schlingo@example.org>")
set(SCHLINGO_LICENSE_TEXT "All rights reserved by the Schlingo developers.")
set(SCHLINGO_RELEASE_DATE 2026-12-08)
set(SCHLINGO_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")

set(_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_generated ${PROJECT_BINARY_DIR}/packaging)
# The pictures go beside the program; the word lists and the click map are the
# player's, copied into the folder the game works in.
file(GLOB _pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/*.galgen)
list(REMOVE_ITEM _pictures ${PROJECT_SOURCE_DIR}/data/Button2.galgen)
file(GLOB _player_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/*.txt)
list(APPEND _player_files ${PROJECT_SOURCE_DIR}/data/Button2.galgen)

set(CPACK_PACKAGE_NAME Schlingo)
set(CPACK_PACKAGE_VENDOR "${SCHLINGO_DEVELOPER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "German hangman game in which the computer is hanged")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(NOT WIN32)
  # Debian's layout for games: launcher in /usr/games, the program with its
  # pictures in /usr/lib/games/schlingo, shared data in /usr/share/games/schlingo.
  install(TARGETS schlingo DESTINATION lib/games/schlingo)
  install(FILES ${_pictures} DESTINATION lib/games/schlingo)
  install(FILES ${_player_files} DESTINATION share/games/schlingo)
  install(PROGRAMS ${_packaging}/schlingo.in DESTINATION games RENAME schlingo)
  install(FILES ${_packaging}/schlingo.desktop DESTINATION share/applications
    RENAME ${SCHLINGO_APP_ID}.desktop)
  foreach(_size 48 128)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/schlingo-${_size}.png
      DESTINATION share/icons/hicolor/${_size}x${_size}/apps RENAME schlingo.png)
  endforeach()
  configure_file(${_packaging}/schlingo.metainfo.xml.in
    ${_generated}/${SCHLINGO_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${_generated}/${SCHLINGO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
  configure_file(${_packaging}/copyright.in ${_generated}/copyright @ONLY)
  install(FILES ${_generated}/copyright DESTINATION share/doc/schlingo)
  # Debian wants the man page and the changelog compressed, without time stamps.
  configure_file(${_packaging}/schlingo.6.in ${_generated}/schlingo.6 @ONLY)
  configure_file(${_packaging}/changelog.in ${_generated}/changelog @ONLY)
  foreach(_doc schlingo.6 changelog)
    add_custom_command(OUTPUT ${_generated}/${_doc}.gz
      COMMAND sh -c "gzip -9nc ${_doc} > ${_doc}.gz"
      DEPENDS ${_generated}/${_doc}
      WORKING_DIRECTORY ${_generated}
      VERBATIM)
  endforeach()
  add_custom_target(schlingo_package_docs ALL
    DEPENDS ${_generated}/schlingo.6.gz ${_generated}/changelog.gz)
  install(FILES ${_generated}/schlingo.6.gz DESTINATION share/man/man6)
  install(FILES ${_generated}/changelog.gz DESTINATION share/doc/schlingo)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME schlingo)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SCHLINGO_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # CPack puts the summary above this as the synopsis.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Schlingo is hangman in German: the computer picks a word from a word list and
the player guesses it letter by letter, by keyboard or by clicking the letter
board. Every wrong letter brings not a little man but the computer closer to
the gallows. Four word lists (general words, cities, countries, professions),
three game modes, special letters and a blind mode; the best ten results go
into a highscore list. The word lists are plain text files in the player's own
folder, ready to be extended.")
else()
  # The ready folder: program, pictures, word lists and click map side by side.
  install(TARGETS schlingo DESTINATION .)
  install(FILES ${_pictures} ${_player_files} DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Schlingo-${PROJECT_VERSION}-win64)

  # The installer installs the same stripped files, staged by cmake --install.
  set(_stage ${_generated}/files)
  set(_install_files "")
  set(_delete_files "")
  foreach(_file schlingo.exe ${_pictures})
    get_filename_component(_name "${_file}" NAME)
    string(APPEND _install_files "  File \"\${FILES}/${_name}\"\n")
    string(APPEND _delete_files "  Delete \"$INSTDIR\\${_name}\"\n")
  endforeach()
  set(_player_install "")
  foreach(_file ${_player_files})
    get_filename_component(_name "${_file}" NAME)
    string(APPEND _player_install "  File \"\${FILES}/${_name}\"\n")
  endforeach()
  configure_file(${_packaging}/schlingo.nsi.in ${_generated}/schlingo.nsi @ONLY)
  find_program(MAKENSIS makensis)
  set(_setup ${CPACK_OUTPUT_FILE_PREFIX}/Schlingo-${PROJECT_VERSION}-setup.exe)
  add_custom_target(installer
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${_stage}
    COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${_stage} --strip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CPACK_OUTPUT_FILE_PREFIX}
    # makensis reads the UTF-8 file names through the locale.
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8
            ${MAKENSIS} -V2 -INPUTCHARSET UTF8 -DFILES=${_stage} -DOUTFILE=${_setup}
            -DICON=${PROJECT_SOURCE_DIR}/resources/schlingo.ico ${_generated}/schlingo.nsi
    DEPENDS schlingo
    COMMENT "Making ${_setup}"
    VERBATIM)
endif()

include(CPack)
