# Screenshots of the converter windows go to the build tree.
target_compile_definitions(test_convert PRIVATE QUILLORY_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
