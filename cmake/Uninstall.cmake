# Removes exactly the files an install recorded in MANIFEST (one path a line),
# then the list itself. Folders stay: they may hold other programs' files.
# usage: cmake -DMANIFEST=build/install_manifest.txt -P cmake/Uninstall.cmake
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} does not exist (make install writes it)")
endif()
file(STRINGS "${MANIFEST}" files)
foreach(file IN LISTS files)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
endforeach()
file(REMOVE "${MANIFEST}")
