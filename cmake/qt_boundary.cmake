# What each library may link, checked at configure time: no layer links one
# above it, and no Qt-free layer links anything from Qt, directly or through
# another target. The layers, what each may use and which are Qt-free are
# written once, in cmake/check_layers.cmake, which also checks the includes.
# Every target a layer's folder defines is checked, so a new library or
# program in a Qt-free folder is covered without being named here.
function(_corvane_collect_links target out_var)
  set(seen ${${out_var}})
  if(NOT TARGET ${target})
    list(APPEND seen ${target})
    set(${out_var} ${seen} PARENT_SCOPE)
    return()
  endif()
  get_target_property(libs ${target} LINK_LIBRARIES)
  get_target_property(ilibs ${target} INTERFACE_LINK_LIBRARIES)
  foreach(lib IN LISTS libs ilibs)
    if(lib AND NOT lib MATCHES "-NOTFOUND$" AND NOT lib IN_LIST seen)
      list(APPEND seen ${lib})
      # A static library's private dependencies come as $<LINK_ONLY:name>.
      if(lib MATCHES "^\\$<LINK_ONLY:([^>]+)>$")
        _corvane_collect_links(${CMAKE_MATCH_1} seen)
      else()
        _corvane_collect_links(${lib} seen)
      endif()
    endif()
  endforeach()
  set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

# Checks the targets of each folder named (the layers this configuration
# built) against the rules of cmake/check_layers.cmake: a library of the
# project is corvane_<folder>, and a target may link only those of the
# folders its own folder may include; a target in a Qt-free folder links no
# Qt unless it is in CORVANE_QT_EXCEPTIONS.
function(corvane_check_layer_links)
  set(bad "")
  foreach(folder IN LISTS ARGN)
    get_property(targets DIRECTORY ${PROJECT_SOURCE_DIR}/${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      set(all "")
      _corvane_collect_links(${target} all)
      foreach(lib IN LISTS all)
        if(lib MATCHES "(^|[<:])corvane_([a-z]+)>?$")
          set(dir ${CMAKE_MATCH_2})
          if(dir IN_LIST CORVANE_LAYER_FOLDERS AND NOT dir IN_LIST CORVANE_LAYER_USES_${folder})
            list(APPEND bad "${target} (${folder}) must not link ${lib}: layers point down only")
          endif()
        endif()
        if(folder IN_LIST CORVANE_QT_FREE_FOLDERS AND NOT target IN_LIST CORVANE_QT_EXCEPTIONS
           AND lib MATCHES "(^|[/:<])(Qt[0-9]*|libQt)")
          list(APPEND bad "${target} (${folder}) must not link Qt, but links ${lib}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  if(bad)
    list(REMOVE_DUPLICATES bad)
    string(REPLACE ";" "\n" bad "${bad}")
    message(FATAL_ERROR "Link rules broken:\n${bad}")
  endif()
endfunction()
