# What every Windows module of QVX is built with: the file manager's name for it (NAME.EXT, and
# NAME.EXT64 in the 64-bit build, as file managers find their plug-ins), exports by plain name, no
# link time in it, the version resource, and its debug information split off into FILE.debug beside
# it, which the stripped module names for debuggers.
#
#   qvx_windows_module(TARGET EXT DESCRIPTION)
#
# sets QVX_MODULE_FILE in the caller's scope. For 32-bit builds the linker's .def, which keeps the
# stdcall argument sizes for the tests, lands in the target's binary folder as TARGET.def.
function(qvx_windows_module target extension description)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(extension ${extension}64)
  endif()
  set(QVX_MODULE_FILE qvx.${extension})
  set(QVX_MODULE_FILE ${QVX_MODULE_FILE} PARENT_SCOPE)
  set(QVX_MODULE_DESCRIPTION "${description}")
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/module_file.h.in ${generated}/module_file.h @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/module_version.rc)
  # The resource compiler finds the generated headers through these.
  target_include_directories(${target} PRIVATE ${generated} ${CMAKE_BINARY_DIR}/generated)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The host looks the entry points up by their plain names, without the stdcall decoration.
    target_link_options(${target} PRIVATE -Wl,--kill-at
      -Wl,--output-def,${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  endif()
  # No link time in the PE headers: two builds of one commit give the same bytes. What no entry
  # point reaches is dropped, as far as the unwind tables let the linker see it (a few KiB).
  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp -Wl,--gc-sections)
  # objcopy stamps the time it runs unless SOURCE_DATE_EPOCH says otherwise; 0 is what the linker
  # wrote.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${QVX_MODULE_FILE} ${QVX_MODULE_FILE}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${QVX_MODULE_FILE}.debug ${QVX_MODULE_FILE}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    VERBATIM)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME qvx
    PREFIX ""
    SUFFIX .${extension}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# A test that reads the module file without running it (tools/pe_module.py): its width, exactly
# these exports by plain name (NAME@BYTES; the stdcall argument bytes are checked in the 32-bit
# build), system imports only, the version resource. Labelled without-wine: where no Windows
# program of the module's width runs, this is the module's test that remains.
function(qvx_module_file_test name target)
  set(check ${QVX_PYTHON3} ${PROJECT_SOURCE_DIR}/tools/pe_module.py check
    $<TARGET_FILE:${target}>)
  foreach(entry ${ARGN})
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      string(REGEX REPLACE "@.*" "" entry ${entry})  # no decoration on 64-bit
    endif()
    list(APPEND check --export ${entry})
  endforeach()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND check --machine amd64)
  else()
    get_target_property(folder ${target} BINARY_DIR)
    list(APPEND check --machine i386 --def ${folder}/${target}.def)
  endif()
  add_test(NAME ${name} COMMAND ${check})
  set_tests_properties(${name} PROPERTIES LABELS without-wine)
endfunction()
