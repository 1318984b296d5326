corvane_add_test(engine_display_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/display_borrow_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display_copy_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display_ffmpeg_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scale_kernels_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/view_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/yuv_to_bgra_test.cpp
  LIBS corvane_engine)
