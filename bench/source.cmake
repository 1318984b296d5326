add_executable(source_bench ${CMAKE_CURRENT_LIST_DIR}/source_bench.cpp)
target_link_libraries(source_bench PRIVATE corvane_engine benchmark::benchmark)
