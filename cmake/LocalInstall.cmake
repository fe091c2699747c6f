# `make install`: installs the bundle and local components of BUILD under PREFIX and
# records in MANIFEST (BUILD/install_manifest.txt) what it wrote, for
# Uninstall.cmake. A
# build folder keeps one install, as a package manager would: the one it
# recorded before is removed first, so installing elsewhere strands nothing.
# usage: cmake -DPREFIX=DIR -DBUILD=build [-DMANIFEST=FILE] -P cmake/LocalInstall.cmake
include(${CMAKE_CURRENT_LIST_DIR}/Uninstall.cmake)

get_filename_component(prefix "${PREFIX}" ABSOLUTE)
quotalume_check_prefix("${prefix}")
set(manifest "${BUILD}/install_manifest.txt")
if(DEFINED MANIFEST)
  set(manifest "${MANIFEST}")
endif()
if(EXISTS "${manifest}")
  message(STATUS "Removing the earlier install recorded in ${manifest}")
  quotalume_uninstall("${manifest}" MISSING_OK)
endif()
# What a bundle holds, and the manual beside it.
set(installed "")
foreach(component bundle local)
  execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${prefix}" --component ${component}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cmake --install failed")
  endif()
  file(READ "${BUILD}/install_manifest_${component}.txt" listed)
  string(REGEX REPLACE "\n$" "" listed "${listed}")
  string(APPEND installed "${listed}\n")
endforeach()
file(WRITE "${manifest}" "prefix=${prefix}\n${installed}")
