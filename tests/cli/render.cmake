corvane_add_test(cli_render_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_cli_test.cpp
  LIBS corvane_engine)
target_compile_definitions(cli_render_tests PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(cli_render_tests corvane-tool)
