# The scene view's input arithmetic (no display), and its Qt widgets under Xvfb.
sprig_gtest(interaction view sprig_view_interaction sprig_test_support)
sprig_qtest(glview sprig_view_qt)

# The editor window, driven for real.
sprig_qtest(appcontroller sprig_app)
target_compile_definitions(appcontroller_test PRIVATE LSYS_BINARY="$<TARGET_FILE:lsys>")
add_dependencies(appcontroller_test lsys)

# The editor's comforts: bracket matching (no display); the editor widget alone; the search
# bar, the help and examples and what the window remembers, in the real window.
sprig_gtest(brackets app sprig_colouring sprig_test_support)
sprig_gtest(picturejobs app sprig_app)
foreach(name codeeditor findbar helpmenu windowmemory)
    sprig_qtest(${name} sprig_app)
endforeach()
