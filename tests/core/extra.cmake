# The start-up tests run the built program itself.
add_dependencies(test_core quillory)
# libcddb computes disc ids independently of our code; the disc id tests compare against it.
pkg_check_modules(CDDB REQUIRED IMPORTED_TARGET libcddb)
target_link_libraries(test_${dir} PRIVATE PkgConfig::CDDB)
