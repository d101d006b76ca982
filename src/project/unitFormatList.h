#pragma once

// The format vocabulary projects are built from. The engine fills it once at start-up
// from the image library; projects only read it.

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

// The formats offered, derived once from the installed coder modules.
extern QList<TFilterItemType> AvailableFormats;

// Codes the system knows by name, offered or not: a project file may name one that this
// library does not offer.
extern QStringList KnownFormatCodes;
bool IsKnownFormatCode(const QString &code);
