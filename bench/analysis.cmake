# compare beside ffmpeg's psnr and ssim filters and a pread-only read floor.
add_executable(compare_bench ${CMAKE_CURRENT_LIST_DIR}/compare_bench.cpp)
target_link_libraries(compare_bench PRIVATE corvane_formats benchmark::benchmark)
target_include_directories(compare_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(compare_bench PRIVATE CORVANE_TOOL="$<TARGET_FILE:corvane-tool>")
add_dependencies(compare_bench corvane-tool)
