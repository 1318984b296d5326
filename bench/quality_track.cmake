# The quality track of a 1000-frame 1080p pair from Start to Done beside
# ffmpeg's psnr filter alone on the same files, and the quality graph's paint
# of 10,000 frames.
add_executable(quality_track_bench ${CMAKE_CURRENT_LIST_DIR}/quality_track_bench.cpp)
target_link_libraries(quality_track_bench PRIVATE corvane_ui benchmark::benchmark)
target_include_directories(quality_track_bench PRIVATE ${PROJECT_SOURCE_DIR})
