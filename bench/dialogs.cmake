# The splice dialog during a 1 GiB copy: throughput beside cat, GUI and
# progress-bar gaps, cancel latency. A plain program: it needs a Qt event
# loop, which Google Benchmark's loop does not give.
add_executable(splice_dialog_bench ${CMAKE_CURRENT_LIST_DIR}/splice_dialog_bench.cpp)
target_link_libraries(splice_dialog_bench PRIVATE corvane_ui)
target_include_directories(splice_dialog_bench PRIVATE ${PROJECT_SOURCE_DIR})

# The player window playing a 4K clip while the slider is dragged across it:
# the longest time the GUI thread is kept from running.
add_executable(slider_drag_bench ${CMAKE_CURRENT_LIST_DIR}/slider_drag_bench.cpp)
target_link_libraries(slider_drag_bench PRIVATE corvane_ui)
target_include_directories(slider_drag_bench PRIVATE ${PROJECT_SOURCE_DIR})

# Panning a zoomed 4K frame in the player window: redraws a second and the
# longest GUI-thread gap, beside a peer that converts the whole frame.
add_executable(pan_bench ${CMAKE_CURRENT_LIST_DIR}/pan_bench.cpp)
target_link_libraries(pan_bench PRIVATE corvane_ui)
target_include_directories(pan_bench PRIVATE ${PROJECT_SOURCE_DIR})

# The player window on a sparse file of huge frames: the GUI thread's open,
# close and longest gap (run under /usr/bin/time -v for the peak memory).
add_executable(huge_frame_bench ${CMAKE_CURRENT_LIST_DIR}/huge_frame_bench.cpp)
target_link_libraries(huge_frame_bench PRIVATE corvane_ui)
target_include_directories(huge_frame_bench PRIVATE ${PROJECT_SOURCE_DIR})
