# The window's self-contained parts (refresh button, toolbar and its customisation,
# preferences dialog, single-instance hand-over, donate address) as sprig_app_parts.
find_package(Qt6 REQUIRED COMPONENTS Network)

# Where the Donate command points. Until the project has a public page, the README installed
# beside the running program (so the .deb's program points under /usr, not at the prefix this
# build was configured with), or the source tree's when it runs from the build folder.
set(SPRIG_HOMEPAGE "" CACHE STRING "Address of the project's web page, shown and opened by Donate")

add_library(sprig_app_parts STATIC
    refreshbutton.cpp refreshbutton.h
    maintoolbar.cpp maintoolbar.h
    toolbarcustomizer.cpp toolbarcustomizer.h
    preferencesdialog.cpp preferencesdialog.h
    singleinstance.cpp singleinstance.h
    homepage.cpp homepage.h)
set_target_properties(sprig_app_parts PROPERTIES AUTOMOC ON)
target_include_directories(sprig_app_parts PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(sprig_app_parts PUBLIC sprig_view_qt Qt6::Widgets Qt6::Network)
target_compile_definitions(sprig_app_parts PUBLIC
    SPRIG_HOMEPAGE="${SPRIG_HOMEPAGE}"
    SPRIG_HOMEPAGE_RELATIVE="${SPRIG_DOC_RELATIVE}/README.md"
    SPRIG_SOURCE_README="${PROJECT_SOURCE_DIR}/README.md")
