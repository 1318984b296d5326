# The scopes while playing: frames presented and scope updates a second at
# 1080p and 25 fps, CPU per frame beside playback without them, and what a
# frame costs on the way (run: build/bench/scopes_bench).
add_executable(scopes_bench ${CMAKE_CURRENT_LIST_DIR}/scopes_bench.cpp)
target_link_libraries(scopes_bench PRIVATE corvane_session)
target_include_directories(scopes_bench PRIVATE ${PROJECT_SOURCE_DIR})
