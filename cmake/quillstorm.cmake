# Helpers shared by every folder.
#
# qs_library(<name> [DEPS <targets>...]) builds a static library from every .cpp in the calling folder.
# The repository root is the include root: #include "platform/afx/afx.h", "kinetype/ktbook.h".
function(qs_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# qs_test(<name> [DEPS <targets>...]) builds a GoogleTest executable from every .cpp in the calling folder
# and registers its cases with CTest. Qt tests run on the offscreen platform. OWN_MAIN: the folder supplies
# main() (to register stored classes or start a QApplication); otherwise GoogleTest's main is linked.
function(qs_test name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    # One value per property: a list here would be split into separate properties.
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               ENVIRONMENT_MODIFICATION "QS_SOURCE_DIR=set:${PROJECT_SOURCE_DIR}")
endfunction()
