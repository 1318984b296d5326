# Playing the open file with a second one beside it: frames presented on
# both panes, B following A's frame, CPU per frame against single-file
# playback and the quality track's time (run: build/bench/compare_play_bench).
add_executable(compare_play_bench ${CMAKE_CURRENT_LIST_DIR}/compare_play_bench.cpp)
target_link_libraries(compare_play_bench PRIVATE corvane_session)
target_include_directories(compare_play_bench PRIVATE ${PROJECT_SOURCE_DIR})
