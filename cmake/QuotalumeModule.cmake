# One static library per source folder; its sources are every .cpp in it, so
# adding a file needs no edit here. A folder with headers only becomes an
# interface library.
function(quotalume_module name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# One GoogleTest executable per tests/ folder.
function(quotalume_test name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${ARGN})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# Sets OPTION_FOUND: an optional part's package is required when OPTION is ON,
# looked for when it is AUTO, and not wanted when it is OFF.
macro(quotalume_optional_package option package)
  set(${option}_FOUND OFF)
  if(${option} STREQUAL "AUTO")
    find_package(${package} QUIET)
    if(NOT ${package}_FOUND)
      message(STATUS "${package} not found, so ${option} is off (scripts/install-deps installs it)")
    endif()
    set(${option}_FOUND ${${package}_FOUND})
  elseif(${option})
    find_package(${package} REQUIRED)
    set(${option}_FOUND ON)
  endif()
endmacro()

# One test program per folder of the app's Qt layers. The shared main gives
# them a QApplication, private folders and a closed update feed; some drive
# the real executable, so it is built first.
function(quotalume_qt_test name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_executable(${name} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/qt_app_main.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock quotalume_updater ${ARGN})
  add_dependencies(${name} quotalume)
  target_compile_definitions(${name} PRIVATE QUOTALUME_EXECUTABLE="$<TARGET_FILE:quotalume>"
    QUOTALUME_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
