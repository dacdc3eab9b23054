# Helpers shared by every folder's CMakeLists.txt.

# Warnings are errors in our own code.
function(mebrath_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports false overlaps in inlined std::string code at -O3.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# The layers: a library may include headers only from its own folder and
# from the folders of the libraries it links, directly or through them
# (their tests/ folders too, for shared test support).
# Each library records the folders it may see; every #include "dir/..."
# in its sources, headers and tests is checked against them when CMake
# configures, so a dependency against the graph fails the build at once.
# Libraries in `test_deps` are visible to the tests/ folder only.
function(mebrath_check_layers name deps test_deps)
  file(RELATIVE_PATH folder "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  set(allowed "${folder}")
  foreach(dep ${deps})
    get_property(dep_allowed GLOBAL PROPERTY MEBRATH_LAYER_${dep})
    list(APPEND allowed ${dep_allowed})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  set_property(GLOBAL PROPERTY MEBRATH_LAYER_${name} "${allowed}")
  set(test_allowed ${allowed})
  foreach(dep ${test_deps})
    get_property(dep_allowed GLOBAL PROPERTY MEBRATH_LAYER_${dep})
    list(APPEND test_allowed ${dep_allowed})
  endforeach()
  file(GLOB files CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/tests/*.h"
       "${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp")
  foreach(file ${files})
    set(visible ${allowed})
    if(file MATCHES "/tests/[^/]+$")
      set(visible ${test_allowed})
    endif()
    file(STRINGS "${file}" includes REGEX "^#include \"[^\"]+/[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([^\"]+)/[^/\"]+\".*" "\\1" dir "${line}")
      set(ok FALSE)
      foreach(prefix ${visible})
        if(dir STREQUAL prefix OR dir STREQUAL "${prefix}/tests")
          set(ok TRUE)
          break()
        endif()
      endforeach()
      if(NOT ok)
        file(RELATIVE_PATH shown "${PROJECT_SOURCE_DIR}" "${file}")
        message(FATAL_ERROR "${shown}: ${line} crosses the layers (${name} may see: ${visible})")
      endif()
    endforeach()
  endforeach()
endfunction()

# One static library per folder: every .cpp directly in the folder belongs
# to it. mebrath_library(NAME DEPS dep1 dep2 ... [TEST_DEPS dep ...]); the
# TEST_DEPS are linked to the folder's tests only.
function(mebrath_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  mebrath_check_layers(${name} "${ARG_DEPS}" "${ARG_TEST_DEPS}")
  if(NOT sources)
    # A folder whose unit is not written yet: headers only, or nothing.
    add_library(${name} INTERFACE ${headers})
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources} ${headers})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  mebrath_warnings(${name})
  mebrath_tests(${name} "${ARG_TEST_DEPS}")
endfunction()

# The folder's tests/ hold one GoogleTest executable, <library>_tests.
function(mebrath_tests library test_deps)
  if(NOT MEBRATH_TESTS OR NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/tests")
    return()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp")
  if(NOT test_sources)
    return()
  endif()
  add_executable(${library}_tests ${test_sources})
  target_link_libraries(${library}_tests PRIVATE ${library} ${test_deps} GTest::gtest
                        GTest::gtest_main GTest::gmock)
  target_include_directories(${library}_tests PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/tests")
  mebrath_warnings(${library}_tests)
  mebrath_add_gtests(${library}_tests)
endfunction()

# Registers a GoogleTest executable with CTest: every case as a test of its
# own, and the whole executable once more as `<target>.whole`, which
# catches a case that leaves state behind for the next. They run headless
# with configuration and data folders of their own in the build tree, so
# nothing a test saves (window positions, recent files) reaches the user's.
function(mebrath_add_gtests target)
  set(home "${CMAKE_CURRENT_BINARY_DIR}/${target}.home")
  set(environment QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=${home}/config
                  XDG_DATA_HOME=${home}/data)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST)
  # The discovery passes a property's list on split at its semicolons, so
  # the environment is set on the discovered cases by a script of our own
  # that CTest reads after the discovery's.
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake")
  file(WRITE "${script}"
       "foreach(test IN LISTS ${target}_TESTS)\n"
       "  set_tests_properties(\"\${test}\" PROPERTIES ENVIRONMENT \"${environment}\")\n"
       "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
  add_test(NAME ${target}.whole COMMAND ${target})
  set_tests_properties(${target}.whole PROPERTIES ENVIRONMENT "${environment}")
endfunction()
