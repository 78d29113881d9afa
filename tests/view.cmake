# The 3D view: trackball and camera numbers (no GL), headless renders (EGL, DISPLAY cleared).
sprig_gtest(trackball view sprig_view_core sprig_test_support)
sprig_gtest(camera view sprig_view_core sprig_test_support)

# The render command as lsys links it (the cli tests also run it through `lsys render`).
sprig_gtest(render view sprig_lsys sprig_test_support)

# The scene view's widget checks again on a screen of device pixel ratio 2 (glview_test is
# defined with the GUI tests): mouse steps, checkerboard and frame count view pixels.
add_test(NAME glview_scaled
         COMMAND xvfb-run -a -s "-screen 0 1280x800x24" $<TARGET_FILE:glview_test>
                 panAndDolly backgroundPreferences axisViewsAndPicking)
set_tests_properties(glview_scaled PROPERTIES LABELS gui TIMEOUT 180
                     ENVIRONMENT "QT_SCALE_FACTOR=2;ASAN_OPTIONS=detect_leaks=0")
