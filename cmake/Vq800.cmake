# Each folder of src/ builds two layers:
#   vq800_<folder>          its logic: Qt Core only, so a widget header does
#                           not even compile there;
#   vq800_<folder>_windows  its windows (frm* and the files named WINDOWS),
#                           over the logic, vq800_ui and Qt Widgets.
# Sources are picked up by glob, so a new logic file needs no list; a new
# window helper is named in WINDOWS (the logic layer will not compile it).
#
# vq800_layers(FOLDER [WINDOWS name...] [DEPS lib...] [WINDOW_DEPS lib...])
function(vq800_layers folder)
  cmake_parse_arguments(ARG "" "" "WINDOWS;DEPS;WINDOW_DEPS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  file(GLOB windows CONFIGURE_DEPENDS ${dir}/frm*.cpp ${dir}/frm*.h)
  foreach(name ${ARG_WINDOWS})
    foreach(ext cpp h)
      if(EXISTS ${dir}/${name}.${ext})
        list(APPEND windows ${dir}/${name}.${ext})
      endif()
    endforeach()
  endforeach()
  set(logic ${all})
  if(windows)
    list(REMOVE_ITEM logic ${windows})
  endif()
  vq800_library(vq800_${folder} SOURCES ${logic} DEPS Qt6::Core ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY VQ800_LOGIC_LIBRARIES vq800_${folder})
  if(windows)
    vq800_library(vq800_${folder}_windows SOURCES ${windows}
      DEPS vq800_${folder} vq800_ui Qt6::Widgets ${ARG_WINDOW_DEPS})
  endif()
endfunction()

# vq800_library(NAME SOURCES... DEPS ...): one static library; sources
# include each other as "folder/File.h" from src/.
function(vq800_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# vq800_test(NAME SOURCES... DEPS ...): one GoogleTest program, registered
# with ctest when the tests run (building does not run it).
function(vq800_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} vq800_testmain GTest::gtest)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARG_LABELS}"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60)
endfunction()

# Stops the configuration when a logic library reaches Qt Gui or Qt Widgets
# through anything it links: the layers are a fact of the build.
function(vq800_check_layers)
  get_property(logic GLOBAL PROPERTY VQ800_LOGIC_LIBRARIES)
  foreach(lib ${logic})
    set(seen)
    set(queue ${lib})
    while(queue)
      list(POP_FRONT queue t)
      if(t IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${t})
      if(t MATCHES "^Qt6::(Gui|Widgets)$")
        message(FATAL_ERROR "${lib} is logic but links ${t} (through: ${seen})")
      endif()
      if(TARGET ${t} AND t MATCHES "^vq800_")
        get_target_property(deps ${t} LINK_LIBRARIES)
        if(deps)
          list(APPEND queue ${deps})
        endif()
      endif()
    endwhile()
  endforeach()
endfunction()
