#include "engine/unitFormatCache.h"

#include "engine/unitImageLibrary.h"
#include "engine/unitMagickHandles.h"
#include "project/unitGeneral.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

namespace {

const QByteArray kCacheTag = QByteArrayLiteral("PICTAVO-FORMATS 1");

// The policy as the library holds it: the system's files and the program's own rules,
// each rule with its file, sorted: the library moves a rule to the front of its list
// whenever a question matches it. Once the program has narrowed the policy to the offered
// coders, it is the policy as listed before: the one every fresh start sees, so that a
// second look in one process finds the list kept and does not replace it under a key no
// start would make.
QByteArray policyInForce()
{
    static QByteArray beforeNarrowing;
    if (CodersNarrowed() && !beforeNarrowing.isEmpty())
        return beforeNarrowing;
    TExceptionPtr exception = NewException();
    char *text = nullptr;
    size_t length = 0;
    FILE *stream = open_memstream(&text, &length);
    if (!stream)
        return QByteArray();
    Magick().ListPolicyInfo(stream, exception.get());
    std::fclose(stream);
    const QByteArray listing(text, qsizetype(length));
    std::free(text);
    QByteArray path;
    QList<QByteArray> rules;
    for (const QByteArray &line : listing.split('\n')) {
        if (line.startsWith("Path: "))
            path = line;
        else if (line.startsWith("  Policy: "))
            rules.append(path + '\n' + line);
        else if (!rules.isEmpty() && !line.trimmed().isEmpty())
            rules.last() += '\n' + line;
    }
    std::sort(rules.begin(), rules.end());
    const QByteArray policy = rules.join('\n');
    if (!CodersNarrowed())
        beforeNarrowing = policy;
    return policy;
}

QByteArray libraryFileIdentity()
{
    Dl_info where = {};
    if (!dladdr(reinterpret_cast<void *>(Magick().MagickCoreGenesis), &where) || !where.dli_fname)
        return QByteArray();
    const QFileInfo file(QFile::decodeName(where.dli_fname));
    return QFile::encodeName(file.canonicalFilePath()) + ' ' + QByteArray::number(file.size()) + ' '
        + QByteArray::number(file.lastModified().toMSecsSinceEpoch());
}

} // namespace

QByteArray FormatListKey()
{
    if (!Magick().GetMagickVersion)
        return QByteArray();
    size_t number = 0;
    QCryptographicHash key(QCryptographicHash::Sha256);
    key.addData(kCacheTag);
    key.addData(QByteArray(Magick().GetMagickVersion(&number)));
    key.addData(libraryFileIdentity());
    // A module that appears or goes changes the list of tags, which the library takes
    // from the coder folder without loading a module; a module that changes in place
    // comes with a new library.
    key.addData(InstalledCoderModules().join(QLatin1Char(',')).toUtf8());
    key.addData(qgetenv("MAGICK_CODER_MODULE_PATH"));
    const QByteArray policy = policyInForce();
    // Without the policy nothing would tell an old list from a new one: no key, no cache.
    if (policy.isEmpty())
        return QByteArray();
    key.addData(policy);
    return key.result().toHex();
}

QString FormatCacheFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
        + QStringLiteral("/pictavo/Formats.cache");
}

bool ReadFormatCache(const QString &file, const QByteArray &key, QList<TFilterItemType> &formats)
{
    QFile cache(file);
    if (key.isEmpty() || !cache.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = cache.read(1 << 20).split('\n');
    // The tag, the key, one line a format, and the empty rest after the last newline.
    if (lines.size() < 4 || lines[0] != kCacheTag || lines[1] != key || !lines.last().isEmpty())
        return false;
    QList<TFilterItemType> read;
    for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() != 3 || fields[0].isEmpty()
            || (fields[1] != "R" && fields[1] != "W" && fields[1] != "RW"))
            return false;
        read.append({QString::fromUtf8(fields[0]), QString::fromLatin1(fields[1]),
                     QString::fromUtf8(fields[2])});
    }
    formats = read;
    return true;
}

void WriteFormatCache(const QString &file, const QByteArray &key,
                      const QList<TFilterItemType> &formats)
{
    QByteArray bytes = kCacheTag + '\n' + key + '\n';
    for (const TFilterItemType &format : formats) {
        QString description = format.Description;
        description.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        bytes += format.Code.toUtf8() + '\t' + format.Mode.toLatin1() + '\t' + description.toUtf8() + '\n';
    }
    // A cache that cannot be written costs the next start its time, nothing else.
    QDir().mkpath(QFileInfo(file).absolutePath());
    SaveFileWhole(file, bytes);
}

QList<TFilterItemType> FormatsThroughCache(const std::function<QList<TFilterItemType>()> &build,
                                           bool *fromCache)
{
    const QString file = FormatCacheFile();
    const QByteArray key = FormatListKey();
    QList<TFilterItemType> formats;
    const bool cached = ReadFormatCache(file, key, formats);
    if (fromCache)
        *fromCache = cached;
    if (cached)
        return formats;
    formats = build();
    // An empty list says the library could not be asked, not that it offers nothing.
    if (!key.isEmpty() && !formats.isEmpty())
        WriteFormatCache(file, key, formats);
    return formats;
}
