# Removes what `make install` recorded in MANIFEST: "prefix=" and the prefix on
# its first line, then one installed path a line. Every byte but a line feed belongs to
# a path (';' and UTF-8 included). Only regular files and links below the
# prefix are removed, each one named; a path outside it, or of another kind,
# fails the run before anything is removed, and a missing one fails it once
# the rest are gone. Folders stay: they may hold other programs' files.
# usage: cmake -DMANIFEST=build/install_manifest.txt -P cmake/Uninstall.cmake

# A prefix reaches shell commands and CMake's install scripts: quotes, ';',
# '$', a backslash or a control character would change them rather than name
# a folder. Checked byte by byte on the hex form, where no character is special.
# With a second argument the prefix was read from that manifest.
function(quotalume_check_prefix prefix)
  string(HEX "${prefix}" hex)
  if(NOT prefix MATCHES "^/." OR hex MATCHES "^(..)*(0.|1.|7f|22|27|60|3b|24|5c)")
    string(CONCAT reason "Refusing the prefix '${prefix}': it must be an absolute path without quotes, "
                  "';', '$', backslashes or control characters")
    if(ARGC GREATER 1)
      quotalume_refuse_manifest("${ARGV1}" "${reason}")
    endif()
    message(FATAL_ERROR "${reason}")
  endif()
endfunction()

# A list that cannot be trusted stops every later install and uninstall, so
# the message names it and the way past it.
function(quotalume_refuse_manifest manifest reason)
  get_filename_component(list "${manifest}" ABSOLUTE)
  message(FATAL_ERROR "${reason}\nNothing was removed. Remove by hand what the list names that you no "
                      "longer want, then delete the list, and `make install` installs afresh:\n  rm '${list}'")
endfunction()

# Sets manifest_prefix, manifest_count and manifest_<i> for each listed path.
# Lists written before the prefix was recorded hold paths only; their prefix
# is the folder that holds bin/quotalume.
function(quotalume_read_manifest manifest)
  file(READ "${manifest}" text)
  set(count 0)
  set(prefix "")
  while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    if(end EQUAL -1)
      set(line "${text}")
      set(text "")
    else()
      string(SUBSTRING "${text}" 0 ${end} line)
      math(EXPR end "${end} + 1")
      string(SUBSTRING "${text}" ${end} -1 text)
    endif()
    string(FIND "${line}" "/bin/quotalume" binary REVERSE)
    string(LENGTH "${line}" length)
    math(EXPR length "${length} - 14")
    if(count EQUAL 0 AND prefix STREQUAL "" AND line MATCHES "^prefix=")
      string(SUBSTRING "${line}" 7 -1 prefix)
      set(recorded TRUE)
    elseif(NOT line STREQUAL "")
      set(manifest_${count} "${line}" PARENT_SCOPE)
      math(EXPR count "${count} + 1")
      if(NOT recorded AND binary GREATER 0 AND binary EQUAL length)
        string(SUBSTRING "${line}" 0 ${binary} prefix)
      endif()
    endif()
  endwhile()
  set(manifest_prefix "${prefix}" PARENT_SCOPE)
  set(manifest_count ${count} PARENT_SCOPE)
endfunction()

# The kind of file at the path, as stat(1) names it; empty when there is none.
function(quotalume_file_kind path out)
  execute_process(COMMAND stat -c %F -- "${path}" OUTPUT_VARIABLE kind OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
  set(${out} "${kind}" PARENT_SCOPE)
endfunction()

# Uninstalls the manifest's files and removes it. With MISSING_OK a missing
# file is only named (an earlier install replaced by a new one).
function(quotalume_uninstall manifest)
  cmake_parse_arguments(arg "MISSING_OK" "" "" ${ARGN})
  quotalume_read_manifest("${manifest}")
  if(manifest_count LESS 1)
    quotalume_refuse_manifest("${manifest}" "${manifest} lists no installed file")
  endif()
  quotalume_check_prefix("${manifest_prefix}" "${manifest}")
  set(foreign "")
  math(EXPR last "${manifest_count} - 1")
  foreach(i RANGE ${last})
    set(path "${manifest_${i}}")
    cmake_path(NORMAL_PATH path OUTPUT_VARIABLE normal)
    string(FIND "${path}" "${manifest_prefix}/" at)
    quotalume_file_kind("${path}" kind)
    if(NOT at EQUAL 0 OR NOT normal STREQUAL path OR NOT kind MATCHES "^(regular (empty )?file|symbolic link|)$")
      string(APPEND foreign "\n  ${path}")
    endif()
  endforeach()
  if(NOT foreign STREQUAL "")
    quotalume_refuse_manifest("${manifest}"
                              "${manifest} lists what `make install` under ${manifest_prefix} never wrote:${foreign}")
  endif()
  set(missing "")
  foreach(i RANGE ${last})
    set(path "${manifest_${i}}")
    quotalume_file_kind("${path}" kind)
    if(kind STREQUAL "")
      string(APPEND missing "\n  ${path}")
    else()
      file(REMOVE "${path}")
      message(STATUS "Removed ${path}")
    endif()
  endforeach()
  file(REMOVE "${manifest}")
  if(NOT missing STREQUAL "")
    if(arg_MISSING_OK)
      message(STATUS "Already gone:${missing}")
    else()
      message(FATAL_ERROR "The rest is removed, but these listed files were already missing:${missing}")
    endif()
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT EXISTS "${MANIFEST}")
    message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} does not exist (make install writes it)")
  endif()
  quotalume_uninstall("${MANIFEST}")
endif()
