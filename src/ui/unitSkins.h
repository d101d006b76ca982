#pragma once

// The skin engine: a skin is a Qt style with a palette and a style sheet, applied to the
// whole application. Built-in skins come first, then one skin per "*.qss" file of the
// skin folder, named after its file.

#include <QString>
#include <QStringList>

// The skin the program starts with.
QString StartSkinName();

// Built-in skins, in menu order; the start skin is the first.
QStringList BuiltInSkinNames();

// The built-in skins, then the skin folder's "*.qss" files by name (without the
// extension), sorted ignoring case. A file whose name equals a built-in skin's, or an
// earlier file's, ignoring case, is left out.
QStringList SkinNames();

// The skin folder: "../skins" from the current folder unless set; an empty text
// restores that default.
QString SkinFolder();
void SetSkinFolder(const QString &folder);

// Switches the application to the skin of that name (letter case ignored). An unknown
// name, a style sheet file that is missing or cannot be read, or no widget application
// leaves the current skin as it is and returns false.
bool ApplySkin(const QString &name);

// The name of the skin applied last, as SkinNames() spells it; empty before the first.
QString CurrentSkinName();

// Repaints every window of the application in the current skin.
void RepaintSkin();
