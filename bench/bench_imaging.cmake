file(GLOB bench_imaging_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/imaging/*.cpp)
add_executable(bench_imaging ${bench_imaging_sources})
target_link_libraries(bench_imaging PRIVATE imaging benchmark::benchmark benchmark::benchmark_main)
