# Fills the static site (cmake -P, run by the schlingo_dist target):
#   SITE     the folder to fill
#   PAGE     platform/backends/web/page
#   WEB      platform/backends/web
#   PROGRAM  the linked schlingo.js (schlingo.wasm and schlingo.data beside it)
#   ICONS    the folder of schlingo-48/192/512.png
#   INPUT    platform/seam/input_event.hpp, whose event kinds and named keys
#            the page hands to the program by number
#
# The program, its data and the page's script go out gzip-compressed and are
# unpacked by the page itself, so that a host that compresses nothing still
# sends little. The service worker gets the build's name (a hash of every
# file it keeps) and each file's SHA-256, so that a new build replaces the
# old offline copy whole.
cmake_minimum_required(VERSION 3.25)

get_filename_component(_program_dir ${PROGRAM} DIRECTORY)
file(MAKE_DIRECTORY ${SITE})

# Left by an older build that shipped them uncompressed.
file(REMOVE ${SITE}/schlingo.js ${SITE}/schlingo.wasm ${SITE}/schlingo.data
     ${SITE}/schlingo-page.js)

configure_file(${PAGE}/schlingo.webmanifest ${SITE}/schlingo.webmanifest COPYONLY)
# The page goes out unpacked: its script's comments and every line's
# indentation stay at home (its one <pre> is empty, no string holds " //").
file(READ ${PAGE}/index.html _html)
string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" _html "${_html}")
string(REGEX REPLACE "([;{},()]) +//[^\n]*" "\\1" _html "${_html}")
string(REGEX REPLACE "\n[ \t]+" "\n" _html "${_html}")
file(WRITE ${_program_dir}/index.html.tmp "${_html}")
configure_file(${_program_dir}/index.html.tmp ${SITE}/index.html COPYONLY)
# Comments are for us, not for the wire: a first visit has 150 KB in all.
file(READ ${PAGE}/schlingo.css _css)
string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" _css "${_css}")
string(REGEX REPLACE "\n[ \t]*\n" "\n" _css "${_css}")
file(WRITE ${_program_dir}/schlingo.css.tmp "${_css}")
configure_file(${_program_dir}/schlingo.css.tmp ${SITE}/schlingo.css COPYONLY)
foreach(_size 48 192 512)
  configure_file(${ICONS}/schlingo-${_size}.png ${SITE}/schlingo-${_size}.png COPYONLY)
endforeach()

# zopfli packs about a tenth tighter than gzip -9; both give gzip streams.
find_program(_zopfli zopfli)
find_program(_gzip gzip REQUIRED)
function(compress from to)
  if(EXISTS ${to} AND ${to} IS_NEWER_THAN ${from})
    return()
  endif()
  if(_zopfli)
    execute_process(COMMAND ${_zopfli} -c ${from} OUTPUT_FILE ${to}.tmp COMMAND_ERROR_IS_FATAL ANY)
  else()
    execute_process(COMMAND ${_gzip} -9 -n -c ${from} OUTPUT_FILE ${to}.tmp
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(RENAME ${to}.tmp ${to})
endfunction()

# The numbers the page hands to the program for its events, read from the
# program's own header, so that the two cannot drift apart: the enum's names
# in order, numbered from 0. A name with a value of its own, or a header the
# reading no longer finds the enums in, fails the build.
file(READ ${INPUT} _header)
function(enum_names enum out)
  if(NOT _header MATCHES "enum class ${enum}[^{]*{([^}]*)}")
    message(FATAL_ERROR "${INPUT}: no enum ${enum}")
  endif()
  string(REGEX REPLACE "//[^\n]*" "" _body "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "[ \t\n]" "" _body "${_body}")
  string(REGEX REPLACE ",$" "" _body "${_body}")
  string(REPLACE "," ";" _names "${_body}")
  foreach(_name ${_names})
    if(NOT _name MATCHES "^[A-Za-z][A-Za-z0-9]*$")
      message(FATAL_ERROR "${INPUT}: ${enum}'s ${_name} is not a plain name numbered in order")
    endif()
  endforeach()
  set(${out} ${_names} PARENT_SCOPE)
endfunction()
enum_names("Kind" _kinds)
enum_names("NamedKey" _named)
set(_number 0)
set(_kind_items "")
foreach(_name ${_kinds})
  list(APPEND _kind_items "${_name}: ${_number}")
  math(EXPR _number "${_number} + 1")
endforeach()
list(JOIN _kind_items ", " _kind_items)
list(JOIN _named "', '" _named_items)
set(_input "const SchlingoInput = (() => {
  'use strict';
  return {kinds: {${_kind_items}}, namedKeys: ['${_named_items}']};
})();
")

# The page's scripts as one, each after those it uses at once: the state
# they share, the event door, the windows, the face the program calls, and
# last the tabs' agreement, which starts the program.
set(_modules fit.js state.js events.js game.js form.js boxes.js files-panel.js board.js face.js
    tabs.js)
set(_bundle ${_program_dir}/schlingo-page.bundle.js)
set(_scripts "${_input}")
foreach(_module ${_modules})
  file(READ ${PAGE}/${_module} _text)
  # An event kind the header does not have would reach the program as 0.
  string(REGEX MATCHALL "kinds\\.[A-Za-z0-9]+" _used "${_text}")
  foreach(_use ${_used})
    string(REPLACE "kinds." "" _use "${_use}")
    if(NOT _use IN_LIST _kinds)
      message(FATAL_ERROR "${PAGE}/${_module}: kinds.${_use} is no kind of ${INPUT}")
    endif()
  endforeach()
  string(APPEND _scripts "${_text}\n")
endforeach()
# Comments, indentation and blank lines go (the scripts hold no multi-line
# strings, and no string holds " //"); gzip then packs about a quarter less.
string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" _scripts "${_scripts}")
string(REGEX REPLACE "([];{},()]) +//[^\n]*" "\\1" _scripts "${_scripts}")
string(REGEX REPLACE "\n[ \t]+" "\n" _scripts "${_scripts}")
string(REGEX REPLACE "\n\n+" "\n" _scripts "${_scripts}")
file(WRITE ${_bundle}.tmp "${_scripts}")
configure_file(${_bundle}.tmp ${_bundle} COPYONLY)
compress(${_bundle} ${SITE}/schlingo-page.js.gz)
foreach(_name schlingo.js schlingo.wasm schlingo.data)
  compress(${_program_dir}/${_name} ${SITE}/${_name}.gz)
endforeach()

# What the service worker keeps: everything a visit loads, not the app icons
# (the system copies those when the page is installed). A .gz file gets the
# hash of its unpacked bytes too: a host that sends it with Content-Encoding
# has the browser unpack it before the worker sees it.
set(_kept index.html schlingo.css schlingo-48.png schlingo.webmanifest schlingo-page.js.gz
    schlingo.js.gz schlingo.wasm.gz schlingo.data.gz)
set(_unpacked_schlingo-page.js.gz ${_bundle})
foreach(_name schlingo.js schlingo.wasm schlingo.data)
  set(_unpacked_${_name}.gz ${_program_dir}/${_name})
endforeach()
set(_list "")
# The worker's own code is part of the build: a new worker is a new copy.
file(SHA256 ${WEB}/service-worker.js.in _all)
foreach(_name ${_kept})
  file(SHA256 ${SITE}/${_name} _hash)
  set(_hashes "'${_hash}'")
  if(DEFINED _unpacked_${_name})
    file(SHA256 ${_unpacked_${_name}} _plain)
    string(APPEND _hashes ", '${_plain}'")
  endif()
  string(APPEND _list "  ['${_name}', [${_hashes}]],\n")
  string(APPEND _all "${_hash}")
endforeach()
string(SHA256 _build "${_all}")
string(SUBSTRING ${_build} 0 16 SCHLINGO_BUILD)
string(REGEX REPLACE ",\n$" "" SCHLINGO_FILES "${_list}")
# The worker goes out as it is, unpacked: without its comments and
# indentation it costs a first visit half as much.
file(READ ${WEB}/service-worker.js.in _worker)
string(REGEX REPLACE "(^|\n)[ \t]*//[^\n]*" "" _worker "${_worker}")
string(REGEX REPLACE "\n[ \t]+" "\n" _worker "${_worker}")
string(REGEX REPLACE "\n\n+" "\n" _worker "${_worker}")
file(WRITE ${_program_dir}/schlingo-sw.js.in "${_worker}")
configure_file(${_program_dir}/schlingo-sw.js.in ${SITE}/schlingo-sw.js @ONLY)
