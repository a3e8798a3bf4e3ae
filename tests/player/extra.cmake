# Screenshots of the player's layouts go to the build tree.
target_compile_definitions(test_player PRIVATE QUILLORY_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
