#pragma once

// The program's own per-project settings beside the project file's fixed fields: how the
// map is stored after the file's comment, and the settings that decide where each output
// goes and what it keeps.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

using TJobOptions = QMap<QString, QString>;

// The block written after the comment's terminating zero byte: a tag line with the
// version, then one "key=value" line per entry, UTF-8, with "\\", "\n", "\r" and the zero
// byte escaped in values.
QByteArray EncodeOptionsBlock(const TJobOptions &options);
// False, leaving `options` untouched, when the bytes are no block this program wrote:
// a foreign tag or version, a line without "=", an empty or unsafe key, a bad escape,
// text that is not UTF-8.
bool DecodeOptionsBlock(const QByteArray &bytes, TJobOptions &options);

// Sets the key, or removes it when the value is the default, so that a project whose
// settings are all back at their defaults is stored exactly as one that never had any.
void SetOption(TJobOptions &options, const QString &key, const QString &value,
               const QString &defaultValue = QString());
void SetFlagOption(TJobOptions &options, const QString &key, bool on);
bool FlagOption(const TJobOptions &options, const QString &key);

// Keys of the output settings.
inline const QString kKeepFoldersKey = QStringLiteral("keep-folders");
inline const QString kNameKey = QStringLiteral("name");
inline const QString kLowerExtKey = QStringLiteral("lower-ext");
inline const QString kExistingKey = QStringLiteral("existing");
inline const QString kKeepDatesKey = QStringLiteral("keep-dates");
inline const QString kMetadataKey = QStringLiteral("metadata");

// What happens to an output whose name is taken by an existing file.
enum class TExisting { Number, Skip, Replace };
// What an output keeps of its source's metadata.
enum class TMetadata { Keep, Private, None };

// The output settings as one value, read from a project's options; an unknown value
// counts as the default.
struct TOutputRules
{
    bool KeepFolders = false;
    QString NamePattern; // empty: the name up to its first dot
    bool LowerExt = false;
    TExisting Existing = TExisting::Number;
    bool KeepDates = false;
    TMetadata Metadata = TMetadata::Keep;

    static TOutputRules From(const TJobOptions &options);
    static const QStringList &Keys();
    void WriteTo(TJobOptions &options) const;
};

// The stored words of the choices, "number", "skip", "replace", "keep", "private", "none".
QString ExistingWord(TExisting existing);
QString MetadataWord(TMetadata metadata);
bool ParseExisting(const QString &word, TExisting &existing);
bool ParseMetadata(const QString &word, TMetadata &metadata);
