# The librarian's command-line flows run tarvo-max's own code in-process; its window flows save
# into the library from the command line, as a player with both would.
target_link_libraries(librarian_cli_test PRIVATE tarvo_cli)
if(TARGET librarian_window_test)
    target_link_libraries(librarian_window_test PRIVATE tarvo_cli)
endif()
