# The tests that run the virtual pedal's pseudo-terminal program need it built first.
foreach(test stm32flash_test virtual_pedal_server_test)
    if(TARGET ${test})
        add_dependencies(${test} tarvo-max-virtual-pedal)
    endif()
endforeach()
# The editor's own flows through a pseudo-terminal to the pedal program.
add_dependencies(serial_port_test tarvo-max-virtual-pedal)
# tarvo-max run as a program, against the pedal program.
add_dependencies(cli_process_test tarvo-max-virtual-pedal tarvo-max)
