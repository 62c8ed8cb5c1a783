# Build helpers the areas share.

# A prebuilt static library (from the set-up cache) under a target name of ours: its file,
# its include folder (may be empty) and, after those, what it needs linked after it.
function(xqv_imported_static name location includes)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${location})
  if(includes)
    set_target_properties(${name} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${includes})
  endif()
  if(ARGN)
    set_target_properties(${name} PROPERTIES INTERFACE_LINK_LIBRARIES "${ARGN}")
  endif()
endfunction()

# A program's icon, drawn by scripts/make_icon.py in the style `kind` as `file` in the
# current binary folder, which the resource script `rc` (compiled again when it changes)
# names. The icon's full path goes into `out_var`, to be listed among the program's sources.
function(xqv_program_icon kind file rc out_var)
  set(icon ${CMAKE_CURRENT_BINARY_DIR}/${file})
  add_custom_command(OUTPUT ${icon}
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/scripts/make_icon.py ${kind} ${icon}
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/make_icon.py)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${icon})
  set(${out_var} ${icon} PARENT_SCOPE)
endfunction()

# The same target name of ours for a library the host system provides (its imported target).
function(xqv_system_library name imported)
  add_library(${name} INTERFACE)
  target_link_libraries(${name} INTERFACE ${imported})
endfunction()

# A deliverable as it is released. Its resource script `rc` includes common/version.rc (the
# version resource and, for a program, the manifest), so it gets that folder and the generated
# version header on its include path and is compiled again when any of them changes. After
# each link the binary is stripped and its debug information kept beside it under the build
# tree, in .debug/<file>.debug, tied to it by a debug link (gdb finds it there by itself).
# KEEP_SYMBOLS strips only the debug sections and keeps the symbol table; otherwise every symbol
# goes. The PE time stamp
# is left out so that the same sources give the same bytes.
function(xqv_release_binary target rc)
  cmake_parse_arguments(PARSE_ARGV 2 rel "KEEP_SYMBOLS" "" "")
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common ${XQV_GENERATED_DIR})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/common/version.rc ${CMAKE_SOURCE_DIR}/common/app.manifest
    ${XQV_GENERATED_DIR}/xqv_version.h)
  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
  if(rel_KEEP_SYMBOLS)
    set(strip --strip-debug)
  else()
    set(strip --strip-all)
  endif()
  set(binary $<TARGET_FILE:${target}>)
  set(debug_dir $<TARGET_FILE_DIR:${target}>/.debug)
  set(debug_file ${debug_dir}/$<TARGET_FILE_NAME:${target}>.debug)
  # objcopy writes the current time into the PE header unless SOURCE_DATE_EPOCH says otherwise.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${debug_dir}
    COMMAND ${objcopy} --only-keep-debug ${binary} ${debug_file}
    COMMAND ${objcopy} ${strip} --add-gnu-debuglink=${debug_file} ${binary}
    VERBATIM)
endfunction()

# The linker's names of the DLLs' WINAPI entry points: 32-bit names carry an underscore and the
# size of the arguments, 64-bit names neither.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(XQV_GAUGE_ENTRY GaugeLibMain)
  set(XQV_RIDGEL_ENTRY RidgelDllMain)
else()
  set(XQV_GAUGE_ENTRY _GaugeLibMain@12)
  set(XQV_RIDGEL_ENTRY _RidgelDllMain@12)
endif()
