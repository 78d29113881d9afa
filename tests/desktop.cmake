# The window's self-contained parts under Xvfb (the toolbar inside the real window) and the sprig
# program itself, and the install tree.
foreach(name refreshbutton preferencesdialog maintoolbar singleinstance main)
    sprig_qtest(${name} sprig_app_parts)
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
