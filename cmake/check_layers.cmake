# The layers and what each may include. Dependencies point one way, down:
#   platform <- formats <- capture <- engine <- tools, analysis <- session <- ui;
#   cli uses the Qt-free layers (and is one); controls only formats and platform.
# A source file may include headers of its own folder and of the folders
# below it, nothing else; the Qt-free folders include no Qt header at all.
# Run at configure time (include()) and as the `layers` test (cmake -P), so a
# wrong-direction include fails the build and the test run.
cmake_policy(SET CMP0057 NEW)
if(NOT ROOT)
  set(ROOT "${CMAKE_CURRENT_LIST_DIR}/..")
endif()

set(_allowed_platform platform)
set(_allowed_formats platform formats)
set(_allowed_capture platform formats capture)
set(_allowed_engine platform formats capture engine)
set(_allowed_tools platform formats capture engine tools)
set(_allowed_analysis platform formats capture engine analysis)
set(_allowed_session platform formats capture engine tools analysis session)
set(_allowed_controls platform formats controls)
set(_allowed_cli platform formats capture engine tools analysis cli)
set(_allowed_ui platform formats capture engine tools analysis session controls ui)
set(_qt_free platform formats capture engine tools analysis session cli)
set(_project_folders platform formats capture engine tools analysis session controls cli ui tests bench)

set(_bad "")
foreach(layer platform formats capture engine tools analysis session controls cli ui)
  file(GLOB_RECURSE _files "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
  foreach(f IN LISTS _files)
    file(STRINGS "${f}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS _includes)
      if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/")
        set(dir "${CMAKE_MATCH_1}")
        if(dir IN_LIST _project_folders AND NOT dir IN_LIST _allowed_${layer})
          list(APPEND _bad "${f}: ${layer} may not include ${dir}/ (${line})")
        endif()
      endif()
      if(layer IN_LIST _qt_free)
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
