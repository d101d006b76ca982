#include "project/unitGeneral.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QTimeZone>

#include <cmath>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

int MemoryLimit = DefaultMemoryLimit();
int MapLimit = DefaultMapLimit();
int WidthLimit = kDefaultSideLimit;
int HeightLimit = kDefaultSideLimit;
int AreaLimit = kDefaultAreaLimit;
int CacheDiskLimit = kDefaultCacheDiskLimit;
bool TurnPhotosUpright = true;
bool DoNotEnlarge = false;
int FilesAtOnce = DefaultFilesAtOnce();

int DefaultMemoryLimit()
{
    qint64 megabytes = 4096;
#if defined(Q_OS_UNIX)
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        megabytes = qint64(pages) * pageSize / 1048576;
#endif
    return int(qBound(qint64(256), megabytes / 4, qint64(kMaxMemoryLimit)));
}

int DefaultMapLimit() { return 2 * DefaultMemoryLimit(); }

int DefaultFilesAtOnce() { return ClampFilesAtOnce(QThread::idealThreadCount()); }

int ClampFilesAtOnce(int count) { return qBound(1, count, kMaxFilesAtOnce); }

namespace {

const QDate kDateTimeEpoch(1899, 12, 30);
constexpr double kMsecsPerDay = 86400000.0;

QString &outputFolderStore()
{
    static QString folder;
    return folder;
}

} // namespace

double DateTimeFromQt(const QDateTime &moment)
{
    if (!moment.isValid())
        return 0;
    const QDateTime local = moment.toLocalTime();
    const double days = double(kDateTimeEpoch.daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / kMsecsPerDay;
    // Before the epoch the whole part counts backwards but the time of day still adds.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime DateTimeToQt(double dateTime)
{
    if (dateTime == 0 || !std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6)
        return {};
    const double whole = std::trunc(dateTime);
    const double fraction = std::fabs(dateTime - whole);
    qint64 msecs = qint64(std::llround(fraction * kMsecsPerDay));
    qint64 days = qint64(whole);
    if (msecs >= qint64(kMsecsPerDay)) {
        msecs -= qint64(kMsecsPerDay);
        days += dateTime >= 0 ? 1 : -1;
    }
    return QDateTime(kDateTimeEpoch.addDays(days), QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

double NowDateTime() { return DateTimeFromQt(QDateTime::currentDateTime()); }

QString ChooseDefaultOutputFolder(const QString &programFolder, const QString &picturesFolder)
{
    QDir parent(programFolder);
    parent.cdUp();
    const QString beside = QDir::cleanPath(parent.absolutePath() + QStringLiteral("/out"));
    // One level, as the folder always was made; the write test asks the system (access),
    // which also knows read-only mounts.
    QDir().mkdir(beside);
    const QFileInfo info(beside);
    if (info.isDir() && info.isWritable())
        return beside;
    return QDir::cleanPath(picturesFolder + QStringLiteral("/Pictavo"));
}

QString DefaultOutputFolder()
{
    QString &folder = outputFolderStore();
    if (folder.isEmpty()) {
        QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        if (pictures.isEmpty())
            pictures = QDir::homePath() + QStringLiteral("/Pictures");
        folder = ChooseDefaultOutputFolder(QCoreApplication::applicationDirPath(), pictures);
    }
    return folder;
}

void SetDefaultOutputFolder(const QString &folder) { outputFolderStore() = QDir::cleanPath(folder); }

TSaveResult SaveFileWhole(const QString &path, const QByteArray &bytes, QString *reason)
{
    QSaveFile file(path);
    // Unbuffered, so that a short write (disk full, size limit) is seen here: a buffered
    // save file can commit a truncated file as if it were whole.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (reason)
            *reason = file.errorString();
        return TSaveResult::CannotCreate;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 chunk = file.write(bytes.constData() + written, bytes.size() - written);
        if (chunk <= 0) {
            if (reason)
                *reason = file.errorString();
            file.cancelWriting();
            return TSaveResult::WriteFailed;
        }
        written += chunk;
    }
    if (!file.commit()) {
        if (reason)
            *reason = file.errorString();
        return TSaveResult::WriteFailed;
    }
    return TSaveResult::Saved;
}

QByteArray TextToCapacity(const QString &text, int capacity)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= capacity)
        return bytes;
    int cut = capacity;
    // Step back over continuation bytes so no character is split.
    while (cut > 0 && (uchar(bytes.at(cut)) & 0xC0) == 0x80)
        --cut;
    bytes.truncate(cut);
    return bytes;
}

QString TextCutToCapacity(const QString &text, int capacity)
{
    return QString::fromUtf8(TextToCapacity(text, capacity));
}

void AppendShortString(QByteArray &out, const QString &text, int capacity)
{
    const QByteArray bytes = TextToCapacity(text, capacity);
    out.append(char(bytes.size()));
    out.append(bytes);
    out.append(capacity - bytes.size(), '\0');
}

QString DecodeText(const char *data, qsizetype size)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(QByteArrayView(data, size));
    return utf8.hasError() ? QString::fromLatin1(data, size) : text;
}

QString ReadShortString(const char *data, int capacity)
{
    const int length = qMin(int(uchar(data[0])), capacity);
    return DecodeText(data + 1, length);
}

QString ShellQuoted(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:=+,@%-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    return QLatin1Char('\'') + QString(text).replace(QLatin1String("'"), QLatin1String("'\\''")) + QLatin1Char('\'');
}

QString ConvertCommandLine(const QString &program, const QString &projectFile, const QString &multipageFile,
                           const QStringList &sources)
{
    QStringList words{ShellQuoted(program), QStringLiteral("convert"), ShellQuoted(projectFile)};
    if (!multipageFile.isEmpty())
        words << QStringLiteral("--multipage") << ShellQuoted(multipageFile);
    // A name that starts with a dash would otherwise be read as an option.
    for (const QString &source : sources) {
        if (source.startsWith(QLatin1Char('-'))) {
            words << QStringLiteral("--");
            break;
        }
    }
    for (const QString &source : sources)
        words << ShellQuoted(source);
    return words.join(QLatin1Char(' '));
}
