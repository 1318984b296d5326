corvane_add_test(cli_capture_tests
  SOURCES capture_cli_test.cpp
  LIBS corvane_engine corvane_capture)
target_compile_definitions(cli_capture_tests PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(cli_capture_tests corvane-tool)
