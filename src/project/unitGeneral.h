#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <exception>

// An error that ends the command in progress; its text is what the user is shown.
class TError : public std::exception
{
public:
    explicit TError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const noexcept { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

// Date-time as the project file and the report keep it: days since 1899-12-30 00:00
// local time, the fraction being the time of day; 0 means no moment is recorded.
double DateTimeFromQt(const QDateTime &moment);
QDateTime DateTimeToQt(double dateTime);
double NowDateTime();

// The folder "out" beside the executable's folder, fixed on first use; when that cannot
// be made or written (an installed program), the user's Pictures folder + "/Pictavo".
QString DefaultOutputFolder();
// The choice above for a program in programFolder, with picturesFolder as the user's.
QString ChooseDefaultOutputFolder(const QString &programFolder, const QString &picturesFolder);
// Lets tests and the command-line companion place the folder elsewhere before first use.
void SetDefaultOutputFolder(const QString &folder);

// Replaces the file at path with bytes only once all of them are on disk; an earlier
// file stays as it was when anything fails. reason receives the system's text.
enum class TSaveResult { Saved, CannotCreate, WriteFailed };
TSaveResult SaveFileWhole(const QString &path, const QByteArray &bytes, QString *reason = nullptr);

// Resource limits handed to the image library, in megabytes.
extern int MemoryLimit;
extern int MapLimit;
// Their defaults follow the machine: a quarter of its memory, and twice that to map, so
// that the pixels of a 12-megapixel photo (96 MiB at 16 bits a channel) stay in memory
// for every file converted at once. The largest memory doubled is the largest map.
constexpr int kMaxMemoryLimit = 16384;
constexpr int kMaxMapLimit = 2 * kMaxMemoryLimit;
int DefaultMemoryLimit();
int DefaultMapLimit();

// Caps of the program's own, whatever the system's library policy says: a source whose
// header declares more is refused before it is decoded. The area in megapixels (10^6
// pixels), the disk the library's pixel caches may take in megabytes.
extern int WidthLimit;
extern int HeightLimit;
extern int AreaLimit;
extern int CacheDiskLimit;
constexpr int kDefaultSideLimit = 32768;
constexpr int kDefaultAreaLimit = 256;
constexpr int kDefaultCacheDiskLimit = 4096;

// Preferences for the frames of a run, kept with the stored settings.
extern bool TurnPhotosUpright;
extern bool DoNotEnlarge;
// How many files a run converts at once: 1 to 16, by default the number of cores.
extern int FilesAtOnce;
constexpr int kMaxFilesAtOnce = 16;
int DefaultFilesAtOnce();
int ClampFilesAtOnce(int count);

// Short strings: a length byte and `capacity` bytes of UTF-8 text.
// The text is cut to the capacity at a character boundary.
QByteArray TextToCapacity(const QString &text, int capacity);
QString TextCutToCapacity(const QString &text, int capacity);
// Writes capacity + 1 bytes: the length, the text, zero padding.
void AppendShortString(QByteArray &out, const QString &text, int capacity);
// Text bytes of a file: UTF-8, or Latin-1 when they are not valid UTF-8 (files written
// under an 8-bit code page), so that no byte turns into a replacement character.
QString DecodeText(const char *data, qsizetype size);
// Reads the short string at data[0 .. capacity]; a length beyond the capacity is clamped.
QString ReadShortString(const char *data, int capacity);

// The text in single quotes for a POSIX shell, inner quotes as '\''; plain words as they are.
QString ShellQuoted(const QString &text);
// "<program> convert <project> [--multipage <file>] [--] <source>...", every part quoted.
QString ConvertCommandLine(const QString &program, const QString &projectFile, const QString &multipageFile,
                           const QStringList &sources);
