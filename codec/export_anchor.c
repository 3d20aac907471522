/* The shared library's objects come from codexa_core; CMake wants one source of its own. */
int codexa_export_anchor_unused;
