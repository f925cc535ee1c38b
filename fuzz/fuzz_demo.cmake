# fuzz_demo: the demonstration-script reader (sections, lines, the byte-order mark), its save and
# reload, and every script line turned into an action and run against a stand-in engine.
# Sources are compiled in directly so that they carry the fuzzer's coverage instrumentation.
set(demo_dir ${PROJECT_SOURCE_DIR}/src/demo)
set(demo_foundation_dir ${PROJECT_SOURCE_DIR}/src/foundation)
add_executable(fuzz_demo
  ${CMAKE_CURRENT_LIST_DIR}/demo/fuzz_demo.cpp
  ${demo_dir}/QvDemoScript.cpp
  ${demo_dir}/QvDemoScriptParams.cpp
  ${demo_dir}/QvDemoScriptAction.cpp
  ${demo_dir}/QvDemoPlaybackBase.cpp
  ${demo_foundation_dir}/QvProperties.cpp
  ${demo_foundation_dir}/QvLanguageFile.cpp
  ${demo_foundation_dir}/QvCodePage.cpp
  ${demo_foundation_dir}/QvLocalizer.cpp)
set_target_properties(fuzz_demo PROPERTIES AUTOMOC OFF)
target_include_directories(fuzz_demo PRIVATE ${demo_dir} ${demo_foundation_dir})
target_link_libraries(fuzz_demo PRIVATE Qt6::Core)
target_compile_options(fuzz_demo PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(fuzz_demo PRIVATE -fsanitize=fuzzer,address,undefined)
