#include "engine/unitRunSettings.h"

#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"
#include "project/unitOutputOptions.h"
#include "project/unitJobOptions.h"

#include <QCoreApplication>

TRunSettings::TRunSettings() : ProfileFolder(DefaultProfileFolder()) {}

TRunSettings RunSettingsFor(const TCnvJob &project)
{
    TRunSettings settings;
    settings.Project = project;
    settings.Quality = project.Quality;
    // Metadata other than kept writes orientation 1: the pixels must be upright for it.
    settings.TurnUpright =
        TurnPhotosUpright || TOutputRules::From(project.Options).Metadata != TMetadata::Keep;
    // Not enlarging is the project's: the preference only starts new projects with it.
    settings.NoEnlarge = ProjectNoEnlarge(project.Options);
    settings.FilesAtOnce = ClampFilesAtOnce(FilesAtOnce);
    settings.MemoryLimit = MemoryLimit;
    settings.MapLimit = MapLimit;
    settings.Caps = TImageCaps::Current();
    return settings;
}

QString DefaultProfileFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/profiles");
}
