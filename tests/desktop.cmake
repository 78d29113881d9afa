# The window's self-contained parts under Xvfb (the toolbar inside the real window) and the sprig
# program itself, and the install tree.
foreach(name refreshbutton preferencesdialog maintoolbar singleinstance main)
    add_executable(${name}_test ${name}_test.cpp ${PROJECT_SOURCE_DIR}/resources/sprig.qrc)
    set_target_properties(${name}_test PROPERTIES AUTOMOC ON AUTORCC ON)
    target_link_libraries(${name}_test PRIVATE sprig_app_parts Qt6::Test)
    target_compile_definitions(${name}_test PRIVATE SPRIG_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
    add_test(NAME ${name}
             COMMAND xvfb-run -a -s "-screen 0 1280x800x24" $<TARGET_FILE:${name}_test>)
    set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 120
                         ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endforeach()
target_link_libraries(maintoolbar_test PRIVATE sprig_app)

# The sprig program itself, started and signalled by main_test, and its signal handling.
target_link_libraries(main_test PRIVATE sprig_app)
target_compile_definitions(main_test PRIVATE SPRIG_BINARY="$<TARGET_FILE:sprig>")
add_dependencies(main_test sprig)

# The install tree in a scratch prefix (the .deb is built by `make deb`, not here).
add_test(NAME install
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${PROJECT_BINARY_DIR}
                 ${CMAKE_CURRENT_BINARY_DIR}/install-root)
set_tests_properties(install PROPERTIES LABELS install TIMEOUT 120)
