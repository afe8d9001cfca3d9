# strellon_embed_bitmaps(<target> <table-name> <id> <file.bmp> [<id> <file.bmp> ...])
#
# Compiles the bitmap files into <target> as byte arrays and registers them by
# resource number when the program or library is loaded (platform/Resources.h).
# The table is an object file of its own; for a static or interface library it
# is handed to whatever links that library, so the linker cannot drop the
# registration.
set(STRELLON_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/EmbedBitmapsScript.cmake)

function(strellon_embed_bitmaps target name)
  set(pairs ${ARGN})
  list(LENGTH pairs n)
  math(EXPR odd "${n} % 2")
  if(n EQUAL 0 OR odd)
    message(FATAL_ERROR "strellon_embed_bitmaps: give pairs of <id> <file>")
  endif()
  set(entries "")
  set(files "")
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET pairs ${i} id)
    list(GET pairs ${j} file)
    get_filename_component(file ${file} ABSOLUTE)
    list(APPEND entries "${id}=${file}")
    list(APPEND files ${file})
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}_bitmaps.cpp)
  string(REPLACE ";" "|" packed "${entries}")
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DNAME=${name} "-DENTRIES=${packed}" -P ${STRELLON_EMBED_SCRIPT}
    DEPENDS ${files} ${STRELLON_EMBED_SCRIPT}
    COMMENT "Embedding bitmaps of ${name}"
    VERBATIM)
  add_library(${name}_bitmaps OBJECT ${out})
  target_include_directories(${name}_bitmaps PRIVATE ${PROJECT_SOURCE_DIR})
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "STATIC_LIBRARY" OR kind STREQUAL "INTERFACE_LIBRARY")
    add_dependencies(${target} ${name}_bitmaps)
    target_link_libraries(${target} INTERFACE $<TARGET_OBJECTS:${name}_bitmaps>)
  else()
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${name}_bitmaps>)
  endif()
endfunction()
