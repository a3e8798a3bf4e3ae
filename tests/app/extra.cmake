# The start-up tests run the built program itself.
add_dependencies(test_app quillory)
