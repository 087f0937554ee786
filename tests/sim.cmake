# The stm32flash test drives the virtual pedal's pseudo-terminal program.
if(TARGET stm32flash_test)
    add_dependencies(stm32flash_test tarvo-max-virtual-pedal)
endif()
