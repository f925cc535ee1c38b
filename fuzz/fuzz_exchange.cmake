# fuzz_exchange: the exchange-file readers of both sides. The plug-in's copy-back into a host
# buffer sized exactly to the header, and the editor's header, trailer and pixel reads.
# Sources are compiled in directly so that they carry the fuzzer's coverage instrumentation.
set(exchange_plugin_dir ${PROJECT_SOURCE_DIR}/src/plugin)
add_executable(fuzz_exchange
  ${CMAKE_CURRENT_LIST_DIR}/exchange/fuzz_exchange.cpp
  ${exchange_plugin_dir}/PhotoshopDataInfo.cpp
  ${exchange_plugin_dir}/PhotoshopFilter.cpp
  ${exchange_plugin_dir}/ExternalPhotoshopFilter.cpp
  ${exchange_plugin_dir}/FileMapping.cpp)
target_include_directories(fuzz_exchange PRIVATE ${exchange_plugin_dir})
target_compile_options(fuzz_exchange PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(fuzz_exchange PRIVATE -fsanitize=fuzzer,address,undefined)
