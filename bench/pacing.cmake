add_executable(pacing_bench ${CMAKE_CURRENT_LIST_DIR}/pacing_bench.cpp)
target_link_libraries(pacing_bench PRIVATE corvane_engine benchmark::benchmark)
