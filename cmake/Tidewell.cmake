# Small helpers so every folder declares its library and tests the same way.
include(GoogleTest)

set(TIDEWELL_WARNINGS -Wall -Wextra -Wno-missing-field-initializers)

# tidewell_add_library(NAME [SHARED] SOURCES ... DEPS ... [PRIVATE_DEPS ...])
function(tidewell_add_library NAME)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_SHARED)
    add_library(${NAME} SHARED ${ARG_SOURCES})
  else()
    add_library(${NAME} STATIC ${ARG_SOURCES})
    set_target_properties(${NAME} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
  target_include_directories(${NAME} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${NAME} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  target_compile_options(${NAME} PRIVATE ${TIDEWELL_WARNINGS})
endfunction()

# tidewell_add_test(NAME SOURCES ... DEPS ... [GUI])
# A test binary gets a main that isolates XDG folders and the document folder in a temporary
# folder and creates the Qt application object (QApplication with GUI, else QCoreApplication).
function(tidewell_add_test NAME)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  add_executable(${NAME} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${NAME} PRIVATE tidewell_testmain_gui)
  else()
    target_link_libraries(${NAME} PRIVATE tidewell_testmain)
  endif()
  target_link_libraries(${NAME} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  target_compile_options(${NAME} PRIVATE ${TIDEWELL_WARNINGS})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
