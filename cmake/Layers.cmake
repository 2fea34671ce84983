# trevalon_layer(<target> SOURCES <files...> [DEPENDS <layers...>] [LINKS <libraries...>]
#                [PUBLIC_LINKS <libraries...>])
#
# One static library per folder of the source tree, linking the layers it builds on PRIVATE;
# PUBLIC_LINKS are outside libraries its own headers include (Qt).
# Every build checks that the folder's files include headers only of the folder itself and of
# those layers, so that an arrow pointing back up, or a layer used without being named, stops
# the build. Layers are defined bottom up: a layer's DEPENDS must exist already.
function(trevalon_layer target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LINKS;PUBLIC_LINKS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "trevalon_layer(${target}): unexpected ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} ${ARG_LINKS} PUBLIC ${ARG_PUBLIC_LINKS})

  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL PROPERTY TREVALON_LAYER_FOLDER_${target} ${folder})
  set(allowed ${folder})
  foreach(layer IN LISTS ARG_DEPENDS)
    get_property(layerFolder GLOBAL PROPERTY TREVALON_LAYER_FOLDER_${layer})
    if(NOT layerFolder)
      message(FATAL_ERROR "trevalon_layer(${target}): layer ${layer} must be defined first")
    endif()
    list(APPEND allowed ${layerFolder})
  endforeach()

  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # Lists travel to the script joined by "|", so that the command line keeps them whole.
  string(JOIN "|" fileArgument ${files})
  string(JOIN "|" allowedArgument ${allowed})
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -D "LAYER=${target}" -D "FILES=${fileArgument}"
            -D "ALLOWED=${allowedArgument}" -D "STAMP=${stamp}"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    COMMENT "Checking which layers ${target} includes"
    VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()
