# The graphics component's file and text inputs.
foreach(target picture_file palette_file harf_table text_codepage)
  vexo_fuzzer(${target} ${target}.cpp LIBS VexoDX7Draw VexoPlatform)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endforeach()
target_sources(picture_file PRIVATE stb_image_coverage.c)
# Not ours to change, and harmless: stb copies zero bytes to a null buffer
# (a PNG whose first IDAT is empty), and on a hostile JPEG its bit reader
# shifts by more than 31 once its bit count has gone negative (garbage
# pixels; every read stays bounded, and AddressSanitizer still watches it).
set_source_files_properties(stb_image_coverage.c PROPERTIES COMPILE_OPTIONS
                            "-fno-sanitize=pointer-overflow,nonnull-attribute,shift")

# The seeds: `draw_seeds fuzz/` writes them into fuzz/corpus/.
add_executable(draw_seeds draw_seeds.cpp)
target_include_directories(draw_seeds PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(draw_seeds PRIVATE stb)
set_target_properties(draw_seeds PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
