# Quality figures of the red-eye finder and the natural correction on a photograph given on the
# command line (not a timing program): pupils found, red left, channel spread, catch-light loss,
# pixels changed outside the pupils, flooding over the area sizes.
file(GLOB measure_redeye_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/quality/*.cpp)
add_executable(measure_redeye ${measure_redeye_sources})
target_link_libraries(measure_redeye PRIVATE imaging)
