#include "project/unitJobOptions.h"

#include <QList>
#include <QStringDecoder>

namespace {

const QByteArray kBlockTag = QByteArrayLiteral("PICTAVO-SETTINGS");
const QByteArray kBlockVersion = QByteArrayLiteral("1");

QByteArray escaped(const QString &value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\0': out.append("\\0"); break;
        default: out.append(c);
        }
    }
    return out;
}

bool unescaped(const QByteArray &bytes, QByteArray &out)
{
    out.clear();
    for (int i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c != '\\') {
            out.append(c);
            continue;
        }
        if (++i >= bytes.size())
            return false;
        switch (bytes.at(i)) {
        case '\\': out.append('\\'); break;
        case 'n': out.append('\n'); break;
        case 'r': out.append('\r'); break;
        case '0': out.append('\0'); break;
        default: return false;
        }
    }
    return true;
}

// A key is written as it stands, so it may hold nothing that ends it or its line.
bool isSafeKey(const QString &key)
{
    if (key.isEmpty())
        return false;
    for (const QChar c : key) {
        if (c == QLatin1Char('=') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            return false;
    }
    return true;
}

bool decodeUtf8(const QByteArray &bytes, QString &text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

QByteArray EncodeOptionsBlock(const TJobOptions &options)
{
    QByteArray block = kBlockTag + ' ' + kBlockVersion + '\n';
    for (auto it = options.cbegin(); it != options.cend(); ++it) {
        // A key that could not be read back is not written at all.
        if (!isSafeKey(it.key()))
            continue;
        block.append(it.key().toUtf8()).append('=').append(escaped(it.value())).append('\n');
    }
    return block;
}

bool DecodeOptionsBlock(const QByteArray &bytes, TJobOptions &options)
{
    QList<QByteArray> lines = bytes.split('\n');
    // The last line ends with its "\n", which leaves one empty piece after it.
    if (lines.size() < 2 || !lines.last().isEmpty())
        return false;
    lines.removeLast();
    if (lines.first() != kBlockTag + ' ' + kBlockVersion)
        return false;
    TJobOptions read;
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const int equals = line.indexOf('=');
        QByteArray value;
        QString key, text;
        if (equals <= 0 || !unescaped(line.mid(equals + 1), value)
            || !decodeUtf8(line.left(equals), key) || !decodeUtf8(value, text) || !isSafeKey(key))
            return false;
        read.insert(key, text);
    }
    options = read;
    return true;
}

void SetOption(TJobOptions &options, const QString &key, const QString &value,
               const QString &defaultValue)
{
    if (value == defaultValue)
        options.remove(key);
    else
        options.insert(key, value);
}

void SetFlagOption(TJobOptions &options, const QString &key, bool on)
{
    SetOption(options, key, on ? QStringLiteral("1") : QStringLiteral("0"), QStringLiteral("0"));
}

bool FlagOption(const TJobOptions &options, const QString &key)
{
    const QString value = options.value(key);
    return value == QLatin1String("1") || value == QLatin1String("true");
}

QString ExistingWord(TExisting existing)
{
    switch (existing) {
    case TExisting::Skip: return QStringLiteral("skip");
    case TExisting::Replace: return QStringLiteral("replace");
    case TExisting::Number: break;
    }
    return QStringLiteral("number");
}

QString MetadataWord(TMetadata metadata)
{
    switch (metadata) {
    case TMetadata::Private: return QStringLiteral("private");
    case TMetadata::None: return QStringLiteral("none");
    case TMetadata::Keep: break;
    }
    return QStringLiteral("keep");
}

bool ParseExisting(const QString &word, TExisting &existing)
{
    for (const TExisting choice : {TExisting::Number, TExisting::Skip, TExisting::Replace}) {
        if (word == ExistingWord(choice)) {
            existing = choice;
            return true;
        }
    }
    return false;
}

bool ParseMetadata(const QString &word, TMetadata &metadata)
{
    for (const TMetadata choice : {TMetadata::Keep, TMetadata::Private, TMetadata::None}) {
        if (word == MetadataWord(choice)) {
            metadata = choice;
            return true;
        }
    }
    return false;
}

const QStringList &TOutputRules::Keys()
{
    static const QStringList keys = {kKeepFoldersKey, kNameKey,     kLowerExtKey,
                                     kExistingKey,    kKeepDatesKey, kMetadataKey};
    return keys;
}

TOutputRules TOutputRules::From(const TJobOptions &options)
{
    TOutputRules rules;
    rules.KeepFolders = FlagOption(options, kKeepFoldersKey);
    rules.NamePattern = options.value(kNameKey);
    rules.LowerExt = FlagOption(options, kLowerExtKey);
    ParseExisting(options.value(kExistingKey), rules.Existing);
    rules.KeepDates = FlagOption(options, kKeepDatesKey);
    ParseMetadata(options.value(kMetadataKey), rules.Metadata);
    return rules;
}

void TOutputRules::WriteTo(TJobOptions &options) const
{
    SetFlagOption(options, kKeepFoldersKey, KeepFolders);
    SetOption(options, kNameKey, NamePattern);
    SetFlagOption(options, kLowerExtKey, LowerExt);
    SetOption(options, kExistingKey, ExistingWord(Existing), ExistingWord(TExisting::Number));
    SetFlagOption(options, kKeepDatesKey, KeepDates);
    SetOption(options, kMetadataKey, MetadataWord(Metadata), MetadataWord(TMetadata::Keep));
}
