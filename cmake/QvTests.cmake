include(GoogleTest)
find_package(GTest REQUIRED)

# Every tests/<module>/<name>_test.cpp becomes one executable, registered with CTest
# test by test. Adding a test file needs no CMake edit.
function(qv_add_tests_in dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS "${dir}/*_test.cpp")
  foreach(src IN LISTS test_sources)
    get_filename_component(name "${src}" NAME_WE)
    add_executable(${name} "${src}")
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    # Tests named Slow* carry the label "slow" (ctest -LE slow leaves them out).
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST TEST_FILTER "-*.Slow*"
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST TEST_FILTER "*.Slow*"
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600 LABELS slow)
  endforeach()
endfunction()
