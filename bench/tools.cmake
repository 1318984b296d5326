add_executable(tools_bench ${CMAKE_CURRENT_LIST_DIR}/tools_bench.cpp)
target_link_libraries(tools_bench PRIVATE corvane_tools benchmark::benchmark)
target_include_directories(tools_bench PRIVATE ${PROJECT_SOURCE_DIR})
