file(GLOB bench_document_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/document/*.cpp)
if(bench_document_sources)
  add_executable(bench_document ${bench_document_sources})
  target_link_libraries(bench_document PRIVATE editor benchmark::benchmark benchmark::benchmark_main)
  if(TARGET ocuvane-cli)
    # CliRotateCommand runs the program built beside the benchmark.
    add_dependencies(bench_document ocuvane-cli)
  endif()
endif()
