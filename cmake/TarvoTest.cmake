# tarvo_add_test(NAME [QT] SOURCES ... LIBS ...): one GoogleTest executable whose cases
# CTest discovers one by one, run headless. QT gives the suite a QApplication.
include(GoogleTest)
function(tarvo_add_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/QtTestMain.cpp)
    target_link_libraries(${name} PRIVATE platform)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest tarvo_options)
  target_compile_definitions(${name} PRIVATE
    TARVO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    TARVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
