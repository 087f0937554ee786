# The installed layout, checked the way a desktop and a player meet it, and the udev rule read
# the way udev and the seat rules will meet it.
if(TARVO_INSTALL)
    add_test(NAME installed_layout
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/installed_layout_test.sh ${PROJECT_BINARY_DIR}
                     ${PROJECT_VERSION})
    set_tests_properties(installed_layout PROPERTIES TIMEOUT 120)
endif()
add_test(NAME udev_rule
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/udev_rule_test.sh
                 ${PROJECT_SOURCE_DIR}/packaging/70-tarvo-max.rules)
