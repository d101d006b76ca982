#pragma once

// What a run's naming asks of the world besides the file system: a source's header, read
// as the run will read it, for the name patterns that use the date taken or the size.

#include "engine/unitRename.h"
#include "engine/unitRunSettings.h"

// The naming environment of a run with these settings: the system's, with a probe that
// reads a source's header as the run will see it (date taken, size of the output).
TNamingEnvironment NamingEnvironmentFor(const TRunSettings &run);
