# fuzz_codecs: every image reader (JPEG, PNG, TIFF, BMP, QVI) and the metadata reader, fed the same
# bytes through the paths a user reaches: opening, describing and thumbnailing a file. Seed corpus:
# scripts/make-fuzz-corpus writes fuzz/codecs/corpus.
# The codec sources are compiled in directly so that they carry the fuzzer's coverage instrumentation.
set(codecs_imaging_dir ${PROJECT_SOURCE_DIR}/src/imaging)
# The rest of the imaging library (pixel stores, bitmap) comes along whole: the codecs sit on it.
file(GLOB codecs_fuzz_sources CONFIGURE_DEPENDS ${codecs_imaging_dir}/codecs/*.cpp ${codecs_imaging_dir}/*.cpp)
add_executable(fuzz_codecs ${CMAKE_CURRENT_LIST_DIR}/codecs/fuzz_codecs.cpp ${codecs_fuzz_sources})
set_target_properties(fuzz_codecs PROPERTIES AUTOMOC OFF)
# 16 megapixels: a legal 100-megapixel run-length image otherwise takes a second an input.
target_compile_definitions(fuzz_codecs PRIVATE OCUVANE_MAX_IMAGE_PIXELS=16777216)
target_include_directories(fuzz_codecs PRIVATE ${codecs_imaging_dir} ${codecs_imaging_dir}/codecs)
target_link_libraries(fuzz_codecs PRIVATE foundation Qt6::Core Qt6::Gui PkgConfig::TURBOJPEG PkgConfig::LIBJPEG
                      PkgConfig::EXIV2 PNG::PNG TIFF::TIFF Threads::Threads)
target_compile_options(fuzz_codecs PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(fuzz_codecs PRIVATE -fsanitize=fuzzer,address,undefined)
