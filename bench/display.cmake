# Display throughput against ffmpeg (run: build/bench/display_bench).
add_executable(display_bench ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp)
target_link_libraries(display_bench PRIVATE corvane_engine benchmark::benchmark)
target_include_directories(display_bench PRIVATE ${PROJECT_SOURCE_DIR})
