#include "engine/unitRunNaming.h"

#include "engine/unitConvertSteps.h"
#include "engine/unitImageLibrary.h"

TNamingEnvironment NamingEnvironmentFor(const TRunSettings &run)
{
    TNamingEnvironment environment = SystemNamingEnvironment();
    // The library is asked only while it is there; without it the file's time stands in.
    if (ImageLibraryIsLoaded()) {
        environment.Probe = [run](const QString &sourcePath) { return ProbeSource(sourcePath, run); };
    }
    return environment;
}
