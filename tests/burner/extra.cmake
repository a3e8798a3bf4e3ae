# Screenshots of the burner's windows go to the build tree.
target_compile_definitions(test_burner PRIVATE QUILLORY_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
