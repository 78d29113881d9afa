# GL benchmarks of the 3D view: a model at the default polygon limit drawn into vertex arrays and
# uploaded into vertex buffers, drawn in a whole 800x600 frame with and without anti-aliasing,
# and the whole refresh after an edit, on the headless EGL context (Mesa llvmpipe where there is
# no GPU). sprig_window_bench times edits in the real window (run it under Xvfb).
add_executable(sprig_gl_bench gl_bench.cpp)
target_link_libraries(sprig_gl_bench PRIVATE sprig_view_gl benchmark::benchmark)
target_compile_definitions(sprig_gl_bench PRIVATE SPRIG_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
add_executable(sprig_window_bench window_bench.cpp)
target_link_libraries(sprig_window_bench PRIVATE sprig_app Qt6::Test)
target_compile_definitions(sprig_window_bench PRIVATE SPRIG_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
