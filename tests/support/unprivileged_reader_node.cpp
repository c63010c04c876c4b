// The reader in the browser build's unit tests: under node a process has no
// capabilities to take out, so the reader never becomes active and the tests
// that need it skip. (tests/CMakeLists.txt builds this in place of
// unprivileged_reader.cpp there.)
#include "tests/support/unprivileged_reader.h"

UnprivilegedReader::UnprivilegedReader() {}

UnprivilegedReader::~UnprivilegedReader() {}
