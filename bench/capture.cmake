# Still capture against its peers: libjpeg-turbo (TurboJPEG) for the JPEG
# encoder, libyuv for the BMP conversion. Both are bench and test peers only.
find_library(CAPTURE_BENCH_TURBOJPEG turbojpeg REQUIRED)
find_library(CAPTURE_BENCH_YUV yuv REQUIRED)
add_executable(capture_bench ${CMAKE_CURRENT_LIST_DIR}/capture_bench.cpp)
target_link_libraries(capture_bench PRIVATE corvane_capture ${CAPTURE_BENCH_TURBOJPEG} ${CAPTURE_BENCH_YUV}
                      benchmark::benchmark)
target_include_directories(capture_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
