#include "engine/unitRunSettings.h"

#include "project/unitGeneral.h"
#include "project/unitOutputOptions.h"

#include <QCoreApplication>

TRunSettings::TRunSettings() : ProfileFolder(DefaultProfileFolder()) {}

TRunSettings RunSettingsFor(const TCnvJob &project)
{
    TRunSettings settings;
    settings.Project = project;
    settings.Quality = project.Quality;
    settings.TurnUpright = TurnPhotosUpright;
    // Not enlarging is the project's: the preference only starts new projects with it.
    settings.NoEnlarge = ProjectNoEnlarge(project.Options);
    settings.FilesAtOnce = ClampFilesAtOnce(FilesAtOnce);
    settings.MemoryLimit = MemoryLimit;
    settings.MapLimit = MapLimit;
    return settings;
}

QString DefaultProfileFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/profiles");
}
