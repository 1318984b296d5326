corvane_add_test(cli_safety_tests
  SOURCES safety_cli_test.cpp
  LIBS corvane_formats)
target_compile_definitions(cli_safety_tests PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(cli_safety_tests corvane-tool)
