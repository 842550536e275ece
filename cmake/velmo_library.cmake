# velmo_include_view(<variable> <folder>): a directory that holds only a link to <folder> of the
# source tree (a path such as dos/engine), so that "<folder>/x.h" is all it offers. Put on an
# include path, it opens one folder and nothing beside it.
function(velmo_include_view variable folder)
  string(REPLACE "/" "_" name ${folder})
  set(view ${CMAKE_BINARY_DIR}/include-views/${name})
  if(NOT EXISTS ${view}/${folder})
    get_filename_component(parent ${view}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endif()
  set(${variable} ${view} PARENT_SCOPE)
endfunction()

# velmo_library(<name> SOURCES <file>... [USES <library>...]): the static library of the
# current source folder. It and whatever links it see the headers of this folder and of the
# libraries it uses, nothing else, so an include against the layering fails to build.
function(velmo_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;USES")
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  velmo_include_view(view ${folder})
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC ${view})
  target_link_libraries(${name} PUBLIC ${arg_USES})
  set_property(GLOBAL APPEND PROPERTY VELMO_LIBRARIES ${name})
endfunction()
