# Tests of the lsys command-line tool (run as a real program), of its file reading and writing,
# and of the mesh exporters (each format read back by a reader that is not our writer).
find_package(assimp REQUIRED) # an importer of many formats, to read the exported meshes back
sprig_gtest(cli cli sprig_cli)
sprig_gtest(export cli sprig_export sprig_lib3mf assimp::assimp sprig_test_support)
sprig_gtest(io cli sprig_io sprig_test_support)
target_compile_definitions(cli_test PRIVATE LSYS_BINARY="$<TARGET_FILE:lsys>"
    LSYS_VERSION="${PROJECT_VERSION}"
    LSYS_COMPLETION="${PROJECT_SOURCE_DIR}/cli/lsys.bash-completion"
    SPRIG_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    LSYS_HAS_RENDER=$<IN_LIST:SPRIG_HAVE_RENDER,$<TARGET_PROPERTY:sprig_lsys,COMPILE_DEFINITIONS>>)
add_dependencies(cli_test lsys)
