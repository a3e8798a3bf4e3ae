# Screenshots of the windows go to the build tree.
target_compile_definitions(test_shell PRIVATE QUILLORY_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
add_dependencies(test_shell sounds)
# Key presses in the windows' tests.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_shell PRIVATE Qt6::Test)
