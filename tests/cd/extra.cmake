# libcddb computes disc ids independently of our code; the tests compare against it.
pkg_check_modules(CDDB REQUIRED IMPORTED_TARGET libcddb)
target_link_libraries(test_${dir} PRIVATE PkgConfig::CDDB)
target_compile_definitions(test_${dir} PRIVATE QUILLORY_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
