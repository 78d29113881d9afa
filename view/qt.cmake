# The Qt widgets of the 3D view: the GL surface view with anti-aliasing, full screen and print
# capture, the scene view with its mouse, wheel and spin handling, and the display preferences.
# interaction.cpp is pure arithmetic (no Qt, no GL) so its tests run without a display.
add_library(sprig_view_interaction STATIC interaction.cpp)
target_include_directories(sprig_view_interaction PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sprig_view_interaction PUBLIC sprig_view_core)

add_library(sprig_view_qt STATIC
    preferences.cpp preferences.h
    kxglview.cpp kxglview.h
    basicopenglview.cpp basicopenglview.h
    fullscreenwindow.cpp fullscreenwindow.h)
set_target_properties(sprig_view_qt PROPERTIES AUTOMOC ON)
target_include_directories(sprig_view_qt PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
find_package(Qt6 REQUIRED COMPONENTS OpenGL)
target_link_libraries(sprig_view_qt PUBLIC sprig_view_interaction sprig_view_gl
                      Qt6::Widgets Qt6::OpenGL Qt6::OpenGLWidgets Qt6::PrintSupport)
