#pragma once

// Output names from a pattern of fields in braces: a pure function of the values it is
// given, so that the editor can show a name before any run and a run can name an output
// once what it needs is known.

#include <QDateTime>
#include <QString>

#include <functional>

// What a pattern's fields stand for, for one source.
struct TNameFields
{
    QString FileName; // the source's file name with its extensions
    QString Folder;   // the source's folder
    qint64 Counter = 1;
    QDateTime RunStart;
    // The photo's EXIF date and time, or the file's modification time when it has none.
    QDateTime Taken;
    qint64 Width = 0;
    qint64 Height = 0;
};

// What a pattern may need to know of a source beyond its name.
struct TSourceFacts
{
    QDateTime Taken; // EXIF date and time, else the file's modification time
    qint64 Width = 0; // of the output
    qint64 Height = 0;
};

// The fields a pattern may name.
enum class TNameField { Name, Base, Counter, Date, Time, Taken, Width, Height, Folder };

// Empty when the pattern can be used; otherwise what is wrong with it, in English, for
// the catalogue's texts to wrap: "{size}" for an unknown field, a single character the
// file system refuses, "{" or "}" for a brace left open or closed alone.
struct TPatternProblem
{
    enum Kind { None, UnknownField, RefusedCharacter, UnmatchedBrace } What = None;
    QString Part;
};
TPatternProblem CheckNamePattern(const QString &pattern);
// The problem told in the language of `text` (a catalogue lookup), with the part quoted;
// empty when there is none.
QString DescribePatternProblem(const TPatternProblem &problem,
                               const std::function<QString(const char *key)> &text);

// Whether the pattern names the field anywhere.
bool PatternUses(const QString &pattern, TNameField field);

// The output's name without its extension. Characters a field brings that the file
// system refuses ("/" in a folder's name cannot happen, but a control character can)
// become "_". A pattern that does not check out gives an empty name.
QString ApplyNamePattern(const QString &pattern, const TNameFields &fields);

// The name up to its first dot: the default base of an output.
QString BaseOfFileName(const QString &fileName);
