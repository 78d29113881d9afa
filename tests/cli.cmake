# Tests of the lsys command-line tool (run as a real program), of its file reading and writing,
# and of the mesh exporters (each format read back by a reader that is not our writer).
find_package(TinyGLTF REQUIRED) # imported targets are visible per directory
add_executable(cli_test cli_test.cpp)
add_executable(export_test export_test.cpp)
target_link_libraries(cli_test PRIVATE sprig_cli TinyGLTF::TinyGLTF GTest::gtest_main)
target_link_libraries(export_test PRIVATE sprig_export sprig_lib3mf TinyGLTF::TinyGLTF
                                          GTest::gtest_main)
target_compile_definitions(cli_test PRIVATE LSYS_BINARY="$<TARGET_FILE:lsys>"
    LSYS_VERSION="${PROJECT_VERSION}"
    LSYS_COMPLETION="${PROJECT_SOURCE_DIR}/cli/lsys.bash-completion"
    SPRIG_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}" SPRIG_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
    SPRIG_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    LSYS_HAS_RENDER=$<IN_LIST:SPRIG_HAVE_RENDER,$<TARGET_PROPERTY:sprig_lsys,COMPILE_DEFINITIONS>>)
add_dependencies(cli_test lsys)
gtest_discover_tests(cli_test PROPERTIES LABELS cli DISCOVERY_TIMEOUT 60)
gtest_discover_tests(export_test PROPERTIES LABELS cli DISCOVERY_TIMEOUT 60)
add_executable(io_test io_test.cpp)
target_link_libraries(io_test PRIVATE sprig_io GTest::gtest_main)
target_compile_definitions(io_test PRIVATE SPRIG_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
gtest_discover_tests(io_test PROPERTIES LABELS cli DISCOVERY_TIMEOUT 60 TIMEOUT 60)
