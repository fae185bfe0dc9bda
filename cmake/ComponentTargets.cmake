# One component: a static library the program and the tests link, the `<Type>Comp` program, and
# under OpenRTM-aist also the loadable module `<Type>.so` (no "lib" prefix) its users expect.
#   inkorvane_add_component(TYPE InKorvane LIBRARY inkorvane_component
#                           SOURCES a.cpp ... PROGRAM main.cpp
#                           [LIBS lib...]            linked by the library
#                           [MODULE_SOURCES b.cpp]   compiled into the module instead of LIBS)
function(inkorvane_add_component)
  cmake_parse_arguments(ARG "" "TYPE;LIBRARY;PROGRAM" "SOURCES;LIBS;MODULE_SOURCES" ${ARGN})
  add_library(${ARG_LIBRARY} STATIC ${ARG_SOURCES})
  target_include_directories(${ARG_LIBRARY} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${ARG_LIBRARY} PUBLIC ${ARG_LIBS} inkorvane_middleware Threads::Threads)
  inkorvane_warnings(${ARG_LIBRARY})
  inkorvane_component_standard(${ARG_LIBRARY})

  add_executable(${ARG_TYPE}Comp ${ARG_PROGRAM})
  target_link_libraries(${ARG_TYPE}Comp PRIVATE ${ARG_LIBRARY})
  # The exported init function stays visible in the program, as the middleware's tools expect.
  set_target_properties(${ARG_TYPE}Comp PROPERTIES ENABLE_EXPORTS ON)
  inkorvane_warnings(${ARG_TYPE}Comp)
  inkorvane_component_standard(${ARG_TYPE}Comp)
  install(TARGETS ${ARG_TYPE}Comp RUNTIME DESTINATION bin)

  if(INKORVANE_MIDDLEWARE STREQUAL "openrtm")
    add_library(${ARG_TYPE} MODULE ${ARG_SOURCES} ${ARG_MODULE_SOURCES})
    target_include_directories(${ARG_TYPE} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${ARG_TYPE} PRIVATE inkorvane_middleware Threads::Threads)
    set_target_properties(${ARG_TYPE} PROPERTIES PREFIX "")
    inkorvane_warnings(${ARG_TYPE})
    inkorvane_component_standard(${ARG_TYPE})
    install(TARGETS ${ARG_TYPE} LIBRARY DESTINATION lib)
  endif()
endfunction()
