# Screenshots of the windows go to the build tree.
target_compile_definitions(test_songs PRIVATE QUILLORY_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
