# The scene view's input arithmetic (no display), and its Qt widgets under Xvfb.
sprig_gtest(interaction view sprig_view_interaction sprig_test_support)

add_executable(glview_test glview_test.cpp)
set_target_properties(glview_test PROPERTIES AUTOMOC ON)
target_link_libraries(glview_test PRIVATE sprig_view_qt Qt6::Test)
add_test(NAME glview
         COMMAND xvfb-run -a -s "-screen 0 1280x800x24" $<TARGET_FILE:glview_test>)
set_tests_properties(glview PROPERTIES LABELS gui TIMEOUT 180
                     ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
target_compile_definitions(glview_test PRIVATE
    SPRIG_RESOURCES_DIR="${PROJECT_SOURCE_DIR}/resources")

# The editor window, driven for real.
add_executable(appcontroller_test appcontroller_test.cpp)
set_target_properties(appcontroller_test PROPERTIES AUTOMOC ON)
target_link_libraries(appcontroller_test PRIVATE sprig_app Qt6::Test)
target_include_directories(appcontroller_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_compile_definitions(appcontroller_test PRIVATE LSYS_BINARY="$<TARGET_FILE:lsys>"
                           SPRIG_EXAMPLES_DIR="${SPRIG_EXAMPLES_DIR}"
                           SPRIG_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
add_dependencies(appcontroller_test lsys)
add_test(NAME appcontroller
         COMMAND xvfb-run -a -s "-screen 0 1280x800x24" $<TARGET_FILE:appcontroller_test>)
set_tests_properties(appcontroller PROPERTIES LABELS gui TIMEOUT 300
                     ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")

# The editor's comforts: bracket matching (no display); the editor widget alone; the search
# bar, the help and examples and what the window remembers, in the real window.
sprig_gtest(brackets app sprig_colouring sprig_test_support)
foreach(name codeeditor findbar helpmenu windowmemory)
    add_executable(${name}_test ${name}_test.cpp)
    set_target_properties(${name}_test PROPERTIES AUTOMOC ON)
    target_link_libraries(${name}_test PRIVATE sprig_app Qt6::Test)
    target_include_directories(${name}_test PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support)
    target_compile_definitions(${name}_test PRIVATE SPRIG_EXAMPLES_DIR="${SPRIG_EXAMPLES_DIR}"
                               SPRIG_TESTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
    add_test(NAME ${name}
             COMMAND xvfb-run -a -s "-screen 0 1280x800x24" $<TARGET_FILE:${name}_test>)
    set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 180
                         ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0")
endforeach()
