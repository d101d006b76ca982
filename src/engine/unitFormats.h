#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One format the system knows by name.
struct TFilterItemType
{
    QString Code;        // upper case, as the library names the coder; also the extension
    QString Mode;        // "R", "W" or "RW"
    QString Description;
};

constexpr int kFormatTableSize = 102;
extern const TFilterItemType FormatTable[kFormatTableSize];

// Index of the row whose Code equals the code ignoring letter case, or -1.
int FindFormat(const QString &code);

// The formats offered, derived once from the installed coder modules.
extern QList<TFilterItemType> AvailableFormats;

// The rows offered for the given module tags, in the tags' order: each tag found in the
// table gives its row, JPEG is followed by JPG and TIFF by TIF.
QList<TFilterItemType> FormatsForModules(const QStringList &tags);

// Tags of the library's installed coder modules; empty when it is not loaded.
QStringList InstalledCoderModules();

// Fills AvailableFormats from the library; reports the missing library through the prompt.
void BuildAvailableFormats();
