// resident_libraries: Mesa's driver keeps heap blocks reachable only from its own
// globals; when the driver is unloaded at exit, LeakSanitizer sees them as leaks.
// Tests that make an OpenGL context call keepLoadedLibrariesResident() while it is
// loaded, which keeps every loaded library resident, so those blocks stay reachable.
#pragma once

void keepLoadedLibrariesResident();
