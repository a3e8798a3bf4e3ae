# Screenshots of the windows go to the build tree.
target_compile_definitions(test_shell PRIVATE QUILLORY_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
add_dependencies(test_shell sounds)
# Key presses in the windows' tests.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_shell PRIVATE Qt6::Test)
# Window placement once more on a 1280 x 1024 screen at scale 2 (a 640 x 512 desktop).
set(scaled_screen ${CMAKE_CURRENT_BINARY_DIR}/screen-1280x1024.json)
file(WRITE ${scaled_screen}
  "{\"screens\": [{\"name\": \"Screen\", \"x\": 0, \"y\": 0, \"width\": 1280, \"height\": 1024, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n")
add_test(NAME shell_placement_scale2
  COMMAND test_shell --gtest_filter=Placement.*:*.FixedSizeWindowsOpenWithinReach)
set_tests_properties(shell_placement_scale2 PROPERTIES TIMEOUT 300
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${scaled_screen};QT_SCALE_FACTOR=2;QUILLORY_EXPECT_SCREEN=640x512")
