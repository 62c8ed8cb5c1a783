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
