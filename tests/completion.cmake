# tarvo-max's bash completion, sourced into bash and asked for a few completions.
add_test(NAME cli_completion
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli_completion_test.sh $<TARGET_FILE_DIR:tarvo-max>
                 ${PROJECT_SOURCE_DIR}/src/cli/tarvo-max.bash)
set_tests_properties(cli_completion PROPERTIES TIMEOUT 120)
