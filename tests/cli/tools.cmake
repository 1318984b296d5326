corvane_add_test(cli_file_tools_tests
  SOURCES file_tools_cli_test.cpp
  LIBS corvane_formats)
target_compile_definitions(cli_file_tools_tests PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(cli_file_tools_tests corvane-tool)
