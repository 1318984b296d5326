# The display: surfaces, copies, fallbacks, aspect, the surface device and the
# offscreen window. Scaling and layout changes come from libyuv;
# YUV to BGRA is our own (yuv_to_bgra.h says why).
target_sources(corvane_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/surface_copy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/surface_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deep_render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/row_render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/yuv_to_bgra.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scale_kernels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/display.cpp
  ${CMAKE_CURRENT_LIST_DIR}/surface_cutout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_transform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_render.cpp
  ${CMAKE_CURRENT_LIST_DIR}/view_overlay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/offscreen_window.cpp
)
find_library(CORVANE_LIBYUV yuv REQUIRED)
find_path(CORVANE_LIBYUV_INCLUDE libyuv.h REQUIRED)
target_include_directories(corvane_engine PRIVATE ${CORVANE_LIBYUV_INCLUDE})
target_link_libraries(corvane_engine PUBLIC ${CORVANE_LIBYUV})
