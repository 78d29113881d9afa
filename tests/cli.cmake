# Tests of the lsys command-line tool (run as a real program) and of the mesh exporters (each
# format read back by a reader that is not our writer).
if(TARGET lsys)
    set(_lsys_render 0)
    if(SPRIG_GUI AND EXISTS ${PROJECT_SOURCE_DIR}/cli/render.cpp)
        set(_lsys_render 1)
    endif()
    add_executable(cli_test cli_test.cpp)
    target_link_libraries(cli_test PRIVATE GTest::gtest_main)
    target_compile_definitions(cli_test PRIVATE
        LSYS_BINARY="$<TARGET_FILE:lsys>"
        LSYS_VERSION="${PROJECT_VERSION}"
        LSYS_HAS_RENDER=${_lsys_render})
    add_dependencies(cli_test lsys)
    gtest_discover_tests(cli_test PROPERTIES LABELS cli DISCOVERY_TIMEOUT 60)
endif()

if(TARGET sprig_export)
    find_package(TinyGLTF REQUIRED) # imported targets are visible per directory
    add_executable(export_test export_test.cpp)
    target_link_libraries(export_test PRIVATE sprig_export sprig_lib3mf TinyGLTF::TinyGLTF
                                              GTest::gtest_main)
    gtest_discover_tests(export_test PROPERTIES LABELS cli DISCOVERY_TIMEOUT 60)
endif()
