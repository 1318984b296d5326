# Y4M against raw files of the same frames: reading, opening with the index, compare.
add_executable(y4m_bench ${CMAKE_CURRENT_LIST_DIR}/y4m_bench.cpp)
target_link_libraries(y4m_bench PRIVATE corvane_formats benchmark::benchmark)
target_include_directories(y4m_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(y4m_bench PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(y4m_bench corvane-tool)
