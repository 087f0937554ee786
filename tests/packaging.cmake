# The installed layout, checked the way a desktop and a player meet it.
add_test(NAME installed_layout
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/installed_layout_test.sh ${PROJECT_BINARY_DIR}
                 ${PROJECT_VERSION})
set_tests_properties(installed_layout PROPERTIES TIMEOUT 120)
