#pragma once

// What the main window keeps from one run to the next: its named values and its
// placement, per user, in the group "TformMain" of an INI store named after the
// executable. A value that is missing or cannot be read as its type reads as its default.

#include "project/unitGeneral.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QSettings;

struct TStoredSettings
{
    bool FlagViewDir = true;
    bool FlagViewTools = true;
    bool FlagViewOptions = true;
    bool FlagViewPreview = false;
    QString ValLang = QStringLiteral("English (EN)");
    int ValViewMode = 0; // 0 large icons, 1 small icons, 2 list, 3 details, 4 thumbnails
    QString ValNameSkin = QStringLiteral("MacOS (internal)");
    int ValSort = 0;       // 0 name, 1 size, 2 type, 3 modified
    QString ValCurDir;
    int ValSortDirect = 0; // 0 ascending, 1 descending
    bool ValSortSync = false;
    int ValMemoryLimit = DefaultMemoryLimit(); // megabytes, as ever
    int ValMapLimit = DefaultMapLimit();
    int ValDiskLimit = 0; // kept as stored; nothing uses it
    // Caps on a source's declared size and on the pixel caches' disk.
    int ValWidthLimit = kDefaultSideLimit;
    int ValHeightLimit = kDefaultSideLimit;
    int ValAreaLimit = kDefaultAreaLimit;         // megapixels
    int ValCacheDiskLimit = kDefaultCacheDiskLimit; // megabytes
    bool ValTurnUpright = true; // photos turned by their EXIF orientation
    bool ValNoEnlarge = false;  // small images keep their size
    int ValFilesAtOnce = DefaultFilesAtOnce(); // 1 to 16

    // The window's placement (QWidget::saveGeometry plus its state) and the object name
    // of the control that had the focus.
    QByteArray Placement;
    QString FocusedControl;
};

// The per-user store: organisation and application both the executable's name without
// extension.
std::unique_ptr<QSettings> OpenSettingsStore();

TStoredSettings ReadStoredSettings(QSettings &store);
// Writes every value but ValDiskLimit, which keeps what the store holds (its default
// when it holds nothing). False when the store could not be written.
bool WriteStoredSettings(QSettings &store, const TStoredSettings &values);
