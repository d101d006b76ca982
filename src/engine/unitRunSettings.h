#pragma once

// One conversion described as a value: the project as it stood when the run started and
// the preferences the run uses. The run, its steps, the naming and the writer read this
// and nothing else.

#include "engine/unitRename.h"
#include "engine/unitSourceCheck.h"
#include "project/unitJob.h"

#include <QString>

// The library's number for the Mitchell filter, every resize's filter.
constexpr int kMitchellFilter = 12;

struct TRunSettings
{
    // A copy of the project, Options included.
    TCnvJob Project{QString()};
    int Quality = 75;
    int ResizeFilter = kMitchellFilter;
    double ResizeBlur = 1.0;
    // Holds sRGB.icm and USWebCoatedSWOP.icc, when installed.
    QString ProfileFolder;
    // Pixels turned by the source's EXIF orientation before the project's own turn.
    bool TurnUpright = true;
    // A frame smaller than the asked size keeps its size.
    bool NoEnlarge = false;
    // JPEG sources that come out smaller are decoded at a reduced DCT scale.
    bool ShrinkOnLoad = true;
    // What a source may declare; beyond it, it is refused before decoding. Its text is the
    // built-in English; the window puts in the user's language.
    TImageCaps Caps;
    // Files in work at the same time, 1 to 16.
    int FilesAtOnce = 1;
    // The library's limits for the whole run, in megabytes.
    int MemoryLimit = 32;
    int MapLimit = 64;
    // Multipage: the single output file.
    QString MultipagePath;
    // The run's sources: no output may take one of their paths. Set by the run.
    TSourcePaths Sources;

    TRunSettings();
};

// The value for a run of `project` with the preferences as they stand now.
TRunSettings RunSettingsFor(const TCnvJob &project);

// "<folder of the executable>/profiles".
QString DefaultProfileFolder();
