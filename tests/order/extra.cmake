# The order program's windows and logic; screenshots go to the build tree.
target_link_libraries(test_order PRIVATE order_lib)
target_compile_definitions(test_order PRIVATE ORDER_SHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
# Key presses in the windows' tests.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(test_order PRIVATE Qt6::Test)
