#include "engine/unitRunSettings.h"

#include "project/unitGeneral.h"

#include <QCoreApplication>

TRunSettings::TRunSettings() : ProfileFolder(DefaultProfileFolder()) {}

TRunSettings RunSettingsFor(const TCnvJob &project)
{
    TRunSettings settings;
    settings.Project = project;
    settings.Quality = project.Quality;
    settings.TurnUpright = TurnPhotosUpright;
    settings.NoEnlarge = DoNotEnlarge;
    settings.FilesAtOnce = ClampFilesAtOnce(FilesAtOnce);
    settings.MemoryLimit = MemoryLimit;
    settings.MapLimit = MapLimit;
    return settings;
}

QString DefaultProfileFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/profiles");
}
