# The layers and what each may include. Dependencies point one way, down:
#   platform <- formats <- capture <- engine <- tools, analysis <- session <- ui;
#   cli uses the Qt-free layers; controls only formats and platform.
# A source file may include headers of its own folder and of the folders
# below it, nothing else; every folder but controls and ui includes no Qt
# header at all. Run at configure time (include()) and as the `layers` test
# (cmake -P), so a wrong-direction include fails the build and the test run.
# The same lists rule what each folder's targets may link
# (corvane_check_layer_links in cmake/qt_boundary.cmake).
cmake_policy(SET CMP0057 NEW)
if(NOT ROOT)
  set(ROOT "${CMAKE_CURRENT_LIST_DIR}/..")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)

set(CORVANE_LAYER_USES_platform platform)
set(CORVANE_LAYER_USES_formats platform formats)
set(CORVANE_LAYER_USES_capture platform formats capture)
set(CORVANE_LAYER_USES_engine platform formats capture engine)
set(CORVANE_LAYER_USES_tools platform formats capture engine tools)
set(CORVANE_LAYER_USES_analysis platform formats capture engine analysis)
set(CORVANE_LAYER_USES_session platform formats capture engine tools analysis session)
set(CORVANE_LAYER_USES_controls platform formats controls)
set(CORVANE_LAYER_USES_cli platform formats capture engine tools analysis cli)
set(CORVANE_LAYER_USES_ui platform formats capture engine tools analysis session controls ui)
set(CORVANE_LAYER_FOLDERS platform formats capture engine tools analysis session controls cli ui)
set(CORVANE_QT_FREE_FOLDERS platform formats capture engine tools analysis session cli)
set(CORVANE_QT_EXCEPTIONS "")  # targets or files allowed Qt in a Qt-free folder: none
set(_project_folders ${CORVANE_LAYER_FOLDERS} tests bench)

set(_bad "")
foreach(layer IN LISTS CORVANE_LAYER_FOLDERS)
  file(GLOB_RECURSE _files "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(f IN LISTS _files)
    file(STRINGS "${f}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS _includes)
      if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/")
        set(dir "${CMAKE_MATCH_1}")
        if(dir IN_LIST _project_folders AND NOT dir IN_LIST CORVANE_LAYER_USES_${layer})
          list(APPEND _bad "${f}: ${layer} may not include ${dir}/ (${line})")
        endif()
      endif()
      file(RELATIVE_PATH _rel "${ROOT}" "${f}")
      if(layer IN_LIST CORVANE_QT_FREE_FOLDERS AND NOT _rel IN_LIST CORVANE_QT_EXCEPTIONS)
        if(line MATCHES "[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
          list(APPEND _bad "${f}: ${layer} is Qt-free (${line})")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()
if(_bad)
  string(REPLACE ";" "\n" _bad "${_bad}")
  message(FATAL_ERROR "Layer rules broken:\n${_bad}")
endif()
