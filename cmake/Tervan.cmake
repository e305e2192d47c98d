# tervan_library(<folder> [QT] [LABEL <label>] [DEPENDS <targets>...] [TEST_DEPENDS <targets>...])
#
# Declares the static library tervan_<name> from <folder>/*.cpp (the folder's own sources, not
# its subfolders) and, when tests/<folder>/ holds sources, the GoogleTest binary
# <name>_tests, whose tests CTest runs under the given label. <name> is <folder> with '/'
# replaced by '_'. QT turns on moc for the library and its tests. New source files are picked up at the next build.
set(TERVAN_ENGINE_TEST_TARGETS "" CACHE INTERNAL "")

function(tervan_library folder)
  cmake_parse_arguments(ARG "QT" "LABEL" "DEPENDS;TEST_DEPENDS" ${ARGN})
  string(REPLACE "/" "_" name "${folder}")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  if(sources)
    add_library(tervan_${name} STATIC ${sources})
    target_include_directories(tervan_${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(tervan_${name} PUBLIC ${ARG_DEPENDS})
    if(ARG_QT)
      set_target_properties(tervan_${name} PROPERTIES AUTOMOC ON)
    endif()
  else()
    add_library(tervan_${name} INTERFACE)
    target_include_directories(tervan_${name} INTERFACE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(tervan_${name} INTERFACE ${ARG_DEPENDS})
  endif()

  file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(test_sources)
    add_executable(${name}_tests ${test_sources})
    target_link_libraries(${name}_tests PRIVATE tervan_${name} tervan_test_main ${ARG_TEST_DEPENDS})
    if(ARG_QT)
      set_target_properties(${name}_tests PROPERTIES AUTOMOC ON)
    endif()
    target_compile_definitions(${name}_tests PRIVATE
      TERVAN_SOURCE_DIR="${CMAKE_SOURCE_DIR}" TERVAN_BINARY_DIR="${CMAKE_BINARY_DIR}")
    # Discovered tests keep only one label, so the layer and the folder share it:
    # "engine:model" is matched by both `ctest -L engine` and `ctest -L model`.
    set(label ${name})
    if(ARG_LABEL)
      set(label "${ARG_LABEL}:${name}")
    endif()
    # The time-out only guards against a hang (a link thread that never ends); no test relies on it.
    gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${label}" TIMEOUT 300)
    if(ARG_LABEL STREQUAL "engine")
      set(TERVAN_ENGINE_TEST_TARGETS ${TERVAN_ENGINE_TEST_TARGETS} ${name}_tests CACHE INTERNAL "")
    endif()
  endif()
endfunction()
