/* The shared library's objects come from tarnisdib_core; CMake wants one source of its own. */
int tarnisdib_export_anchor_unused;
