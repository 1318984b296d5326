# stats beside ffmpeg's signalstats filter.
add_executable(stats_bench ${CMAKE_CURRENT_LIST_DIR}/stats_bench.cpp)
target_link_libraries(stats_bench PRIVATE corvane_formats benchmark::benchmark)
target_include_directories(stats_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(stats_bench PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(stats_bench corvane-tool)
