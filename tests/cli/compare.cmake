corvane_add_test(cli_compare_tests
  SOURCES compare_cli_test.cpp
  LIBS corvane_formats)
target_compile_definitions(cli_compare_tests PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(cli_compare_tests corvane-tool)
