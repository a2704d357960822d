# Small helpers so every folder declares its libraries, executables and tests the same way, and a
# check that library dependencies point one way.
include(GoogleTest)

option(TIDEWELL_WERROR "Treat compiler warnings as errors (CI turns it on)" OFF)
option(TIDEWELL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

set(TIDEWELL_WARNINGS -Wall -Wextra -Wno-missing-field-initializers)
if(TIDEWELL_WERROR)
  list(APPEND TIDEWELL_WARNINGS -Werror)
endif()
if(TIDEWELL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The folders of src/ from the bottom up; the folders of one entry (separated by commas) form one
# layer. A library may link libraries of its own layer and of the layers below it, never one above.
set(TIDEWELL_LAYERS
  platform
  store,http
  thumbnails,tarnwick,apiserver
  ui
  transfer,zepcommon,browser
  app
  cli)

function(_tidewell_layer_of DIR OUT)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/src ${DIR})
  string(REGEX REPLACE "/.*" "" folder "${rel}")
  set(index 0)
  foreach(layer IN LISTS TIDEWELL_LAYERS)
    string(REPLACE "," ";" folders "${layer}")
    if(folder IN_LIST folders)
      set(${OUT} ${index} PARENT_SCOPE)
      return()
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
  message(FATAL_ERROR "src/${folder} is in no layer of TIDEWELL_LAYERS (cmake/Tidewell.cmake)")
endfunction()

# tidewell_add_library(NAME [SHARED | MODULE] SOURCES ... DEPS ... [PRIVATE_DEPS ...])
# A MODULE is loaded at run time through platform::moduleSymbol, never linked: it is built beside
# the platform library, where that looks for it, and exports only what its own sources mark
# visible (the static libraries in it stay inside).
function(tidewell_add_library NAME)
  cmake_parse_arguments(ARG "SHARED;MODULE" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_SHARED)
    add_library(${NAME} SHARED ${ARG_SOURCES})
  elseif(ARG_MODULE)
    add_library(${NAME} MODULE ${ARG_SOURCES})
    set_target_properties(${NAME} PROPERTIES
      LIBRARY_OUTPUT_DIRECTORY $<TARGET_FILE_DIR:tidewell_platform>
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON)
    target_link_options(${NAME} PRIVATE -Wl,--exclude-libs,ALL -Wl,--no-undefined)
  else()
    add_library(${NAME} STATIC ${ARG_SOURCES})
    set_target_properties(${NAME} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
  target_include_directories(${NAME} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${NAME} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  target_compile_options(${NAME} PRIVATE ${TIDEWELL_WARNINGS})
  _tidewell_layer_of(${CMAKE_CURRENT_SOURCE_DIR} layer)
  set_target_properties(${NAME} PROPERTIES TIDEWELL_LAYER ${layer})
  set_property(GLOBAL APPEND PROPERTY TIDEWELL_LIBRARIES ${NAME})
endfunction()

# tidewell_add_executable(NAME SOURCES ... DEPS ...): a program holds little more than main.
function(tidewell_add_executable NAME)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${NAME} ${ARG_SOURCES})
  target_link_libraries(${NAME} PRIVATE ${ARG_DEPS})
  target_compile_options(${NAME} PRIVATE ${TIDEWELL_WARNINGS})
  _tidewell_layer_of(${CMAKE_CURRENT_SOURCE_DIR} layer)
  set_target_properties(${NAME} PROPERTIES TIDEWELL_LAYER ${layer})
  set_property(GLOBAL APPEND PROPERTY TIDEWELL_LIBRARIES ${NAME})
endfunction()

# Fails the configuration when a library or program of src/ links one of a higher layer.
function(tidewell_check_layers)
  get_property(targets GLOBAL PROPERTY TIDEWELL_LIBRARIES)
  foreach(target IN LISTS targets)
    get_target_property(layer ${target} TIDEWELL_LAYER)
    get_target_property(deps ${target} LINK_LIBRARIES)
    if(NOT deps)
      continue()
    endif()
    foreach(dep IN LISTS deps)
      if(TARGET ${dep})
        get_target_property(depLayer ${dep} TIDEWELL_LAYER)
        if(depLayer AND depLayer GREATER layer)
          get_target_property(depDir ${dep} SOURCE_DIR)
          get_target_property(dir ${target} SOURCE_DIR)
          message(FATAL_ERROR "${target} (${dir}) links ${dep} (${depDir}), which sits in a higher layer; "
                              "see TIDEWELL_LAYERS in cmake/Tidewell.cmake")
        endif()
      endif()
    endforeach()
  endforeach()
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
