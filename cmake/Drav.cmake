# Helpers shared by every folder.
#
# drav_library(NAME name LINKS libs...): a static library of every .cpp/.h
# under the calling folder (sub-folders included). Globbing keeps folders that
# several people work on free of list conflicts.
function(drav_library)
  cmake_parse_arguments(A "" "NAME" "LINKS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${A_NAME} STATIC ${srcs})
  target_include_directories(${A_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${A_NAME} PUBLIC ${A_LINKS})
endfunction()

# drav_test(NAME name [GUI] LINKS libs... [SOURCES files...]): one test program
# of every .cpp in the calling folder (or the files given). GUI tests get a
# main that builds a QApplication on the offscreen platform.
function(drav_test)
  cmake_parse_arguments(A "GUI" "NAME" "LINKS;SOURCES" ${ARGN})
  if(NOT A_SOURCES)
    file(GLOB A_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${A_NAME} ${A_SOURCES})
  if(A_GUI)
    target_link_libraries(${A_NAME} PRIVATE drav_test_support_gui ${A_LINKS})
  else()
    target_link_libraries(${A_NAME} PRIVATE drav_test_support ${A_LINKS})
  endif()
  add_test(NAME ${A_NAME} COMMAND ${A_NAME})
  set_tests_properties(${A_NAME} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KOLT_NET_MARKER=/nonexistent/kolt/NET;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;DRAV_TEST_BIN_DIR=${CMAKE_BINARY_DIR}"
    TIMEOUT 900)
endfunction()
