# Helpers shared by every folder's CMakeLists.txt.

# Warnings are errors in our own code.
function(mebrath_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports false overlaps in inlined std::string code at -O3.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# One static library per folder: every .cpp directly in the folder belongs
# to it. mebrath_library(NAME DEPS dep1 dep2 ...)
function(mebrath_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
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
  mebrath_tests(${name})
endfunction()

# The folder's tests/ hold one GoogleTest executable, <library>_tests.
function(mebrath_tests library)
  if(NOT MEBRATH_TESTS OR NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/tests")
    return()
  endif()
  file(GLOB test_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp")
  if(NOT test_sources)
    return()
  endif()
  add_executable(${library}_tests ${test_sources})
  target_link_libraries(${library}_tests PRIVATE ${library} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${library}_tests PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/tests")
  mebrath_warnings(${library}_tests)
  gtest_discover_tests(${library}_tests DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
