#pragma once

#include "engine/unitImageLibrary.h"
#include "project/unitFormatList.h"

constexpr int kFormatTableSize = 102;
extern const TFilterItemType FormatTable[kFormatTableSize];

// Index of the row whose Code equals the code ignoring letter case, or -1.
int FindFormat(const QString &code);

// The rows offered for the given module tags, in the tags' order: each tag found in the
// table gives its row, JPEG is followed by JPG and TIFF by TIF.
QList<TFilterItemType> FormatsForModules(const QStringList &tags);


// What the loaded library can do with a format right now: "R", "W", "RW", or empty when
// its coder is missing or the security policy refuses it. `coder` names the library's
// format when the code is only an extension of it (HEIF for HEIC).
QString LibraryMode(const QString &code, const QString &coder = QString());

// What the loaded library offers, worked out afresh: loads every coder module.
// The table rows of the installed modules come first, in the modules' order, so a project
// file's records keep their positions; the formats found beyond that follow. Every row
// carries only what the library can do now.
QList<TFilterItemType> FormatsFromLibrary();

// Fills AvailableFormats from the library, through the cache of the list, and
// KnownFormatCodes from the table and the formats offered beyond it; reports the missing
// library through the prompt.
void BuildAvailableFormats();
