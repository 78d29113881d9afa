# The window's self-contained parts (refresh button, toolbar and its customisation,
# preferences dialog, single-instance hand-over, donate address) as sprig_app_parts, and the
# desktop integration: install rules, launcher, MIME type, icons, man pages and the .deb.
include(GNUInstallDirs)
find_package(Qt6 REQUIRED COMPONENTS Network)

add_library(sprig_app_parts STATIC
    refreshbutton.cpp refreshbutton.h
    maintoolbar.cpp maintoolbar.h
    toolbarcustomizer.cpp toolbarcustomizer.h
    preferencesdialog.cpp preferencesdialog.h)
set_target_properties(sprig_app_parts PROPERTIES AUTOMOC ON)
target_include_directories(sprig_app_parts PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sprig_app_parts PUBLIC sprig_view_qt Qt6::Widgets Qt6::Network)

include(${CMAKE_CURRENT_LIST_DIR}/../packaging/install.cmake OPTIONAL)
