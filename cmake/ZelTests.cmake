# GoogleTest: Debian's packaged library natively; for the Windows build the
# sources Debian ships under /usr/src/googletest, compiled with mingw.
if(ZEL_TESTS)
  if(ZEL_WINDOWS)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/_gtest EXCLUDE_FROM_ALL)
    set(ZEL_GTEST gtest gtest_main)
  else()
    find_package(GTest REQUIRED)
    set(ZEL_GTEST GTest::gtest GTest::gtest_main)
  endif()
endif()

# zel_add_test(NAME src... LIBS lib...): one test executable per component.
# Every test executable is listed in ${CMAKE_BINARY_DIR}/zel_tests.txt, which
# the test driver (tools/test) reads to run the Windows builds under Wine.
function(zel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${ZEL_GTEST})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name})
  set_property(GLOBAL APPEND PROPERTY ZEL_TEST_LIST ${name})
endfunction()
