# fuzz_sdf: the settings-file reader (parse the whole tree, then walk it with every look-up) and the
# language-file parser (encodings, lines, the "Strings" section).
# Sources are compiled in directly so that they carry the fuzzer's coverage instrumentation.
set(sdf_foundation_dir ${PROJECT_SOURCE_DIR}/src/foundation)
foreach(target fuzz_sdf fuzz_language_file)
  add_executable(${target}
    ${CMAKE_CURRENT_LIST_DIR}/sdf/${target}.cpp
    ${sdf_foundation_dir}/QvSDF.cpp
    ${sdf_foundation_dir}/QvGuid.cpp
    ${sdf_foundation_dir}/QvLanguageFile.cpp
    ${sdf_foundation_dir}/QvCodePage.cpp
    ${sdf_foundation_dir}/QvLocalizer.cpp)
  set_target_properties(${target} PROPERTIES AUTOMOC OFF)
  target_include_directories(${target} PRIVATE ${sdf_foundation_dir})
  target_link_libraries(${target} PRIVATE Qt6::Core)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
endforeach()
