# Built-in data files ("resources").
#
# tervan_resources(<target> <name>=<file> ...)
#
# Compiles each file into <target> (an executable or test binary) so that the program finds its
# bytes under exactly <name> (model/ResourceRegistry.h, model/ResourceFile.h). A relative <file>
# is taken from the calling folder; it may also be the output of a custom command declared in
# the same folder (a file the build makes, such as the translation resource). The generator tools/resgen.cpp turns each file into a
# generated source; those go into the OBJECT library <target>_resources, whose objects are
# linked into <target> itself: placed in a static library they would be dropped by the linker
# (nothing refers to them), leaving the registry empty.
#
# Test binaries need no call: every file under tests/<folder>/resources/ is embedded into
# <folder>_tests under its file name, once all targets are declared.

if(NOT TARGET tervan_resgen)
  add_executable(tervan_resgen ${CMAKE_SOURCE_DIR}/tools/resgen.cpp)
endif()

function(tervan_resources target)
  set(outdir ${CMAKE_BINARY_DIR}/generated/resources/${target})
  set(generated "")
  foreach(entry IN LISTS ARGN)
    string(FIND "${entry}" "=" eq)
    if(eq LESS 1)
      message(FATAL_ERROR "tervan_resources(${target}): '${entry}' is not <name>=<file>")
    endif()
    string(SUBSTRING "${entry}" 0 ${eq} name)
    math(EXPR after "${eq} + 1")
    string(SUBSTRING "${entry}" ${after} -1 file)
    if(NOT IS_ABSOLUTE "${file}")
      set(file "${CMAKE_CURRENT_SOURCE_DIR}/${file}")
    endif()
    get_source_file_property(made_by_build "${file}" GENERATED)
    # Files in the build tree are made by the build, possibly by a rule of another folder.
    string(FIND "${file}" "${CMAKE_BINARY_DIR}/" in_build_tree)
    if(NOT EXISTS "${file}" AND NOT made_by_build AND NOT in_build_tree EQUAL 0)
      message(FATAL_ERROR "tervan_resources(${target}): no file ${file}")
    endif()
    # Names may hold any character; the hash keeps two names that map to one identifier apart.
    string(MAKE_C_IDENTIFIER "${name}" id)
    string(MD5 hash "${name}")
    string(SUBSTRING "${hash}" 0 8 hash)
    set(out ${outdir}/res_${id}_${hash}.cpp)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
      COMMAND tervan_resgen ${out} ${name} ${file}
      DEPENDS tervan_resgen ${file}
      COMMENT "Embedding resource ${name}"
      VERBATIM)
    list(APPEND generated ${out})
  endforeach()
  if(NOT generated)
    return()
  endif()
  if(TARGET ${target}_resources)
    target_sources(${target}_resources PRIVATE ${generated})
  else()
    add_library(${target}_resources OBJECT ${generated})
    target_link_libraries(${target}_resources PRIVATE tervan_model)
    target_link_libraries(${target} PRIVATE ${target}_resources tervan_model)
  endif()
endfunction()

# tervan_library_resources(<library> <name>=<file> ...)
#
# The same for a static library: the generated objects are handed to every executable that
# links <library>, directly or through another library, so whatever uses the library finds its
# files without a call of its own.
function(tervan_library_resources library)
  if(NOT TARGET ${library}_resources)
    add_library(${library}_resources OBJECT)
    target_link_libraries(${library}_resources PRIVATE tervan_model)
    target_link_libraries(${library} INTERFACE $<TARGET_OBJECTS:${library}_resources>)
  endif()
  tervan_resources(${library} ${ARGN})
endfunction()

function(_tervan_test_resources)
  file(GLOB dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/tests/*/resources ${CMAKE_SOURCE_DIR}/tests/*/*/resources)
  foreach(dir IN LISTS dirs)
    if(NOT IS_DIRECTORY ${dir})
      continue()
    endif()
    get_filename_component(parent ${dir} DIRECTORY)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR}/tests ${parent})
    string(REPLACE "/" "_" name "${folder}")
    if(NOT TARGET ${name}_tests)
      continue()
    endif()
    file(GLOB files CONFIGURE_DEPENDS ${dir}/*)
    set(entries "")
    foreach(f IN LISTS files)
      get_filename_component(fname ${f} NAME)
      if(NOT IS_DIRECTORY ${f} AND NOT fname MATCHES "^\\.")
        list(APPEND entries "${fname}=${f}")
      endif()
    endforeach()
    tervan_resources(${name}_tests ${entries})
  endforeach()
endfunction()
cmake_language(DEFER CALL _tervan_test_resources)
