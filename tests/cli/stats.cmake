corvane_add_test(cli_stats_tests
  SOURCES stats_cli_test.cpp)
target_compile_definitions(cli_stats_tests PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(cli_stats_tests corvane-tool)
