// The product data itself is compiled in by qt_add_resources (see CMakeLists.txt); a static
// library needs at least one source of its own, and this is it.
