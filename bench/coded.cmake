# Coded files beside ffmpeg and mpv: forward decode, random seeks, backward play, opening a long file, compare.
add_executable(coded_bench ${CMAKE_CURRENT_LIST_DIR}/coded_bench.cpp)
target_link_libraries(coded_bench PRIVATE corvane_engine benchmark::benchmark)
target_include_directories(coded_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(coded_bench PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(coded_bench corvane-tool)
