#include "project/unitJob.h"

#include "project/unitFormatList.h"
#include "project/unitGeneral.h"
#include "project/unitJobOptions.h"
#include "project/unitPrompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace {

// Field offsets of the project file header.
enum : int {
    kOffTag = 0,
    kOffName = 6,
    kOffAuthor = 32,
    kOffCreated = 48,
    kOffModified = 56,
    kOffOpened = 64,
    kOffCount = 72,
    kOffTargetExt = 76,
    kOffSearchMode = 82,
    kOffUseDestDir = 83,
    kOffDestDir = 84,
    kOffRenameMode = 335,
    kOffSizeAsIs = 336,
    kOffMeasure = 337,
    kOffPresetIndex = 340,
    kOffWidth = 344,
    kOffHeight = 350,
    kOffLockHeight = 356,
    kOffLockWidth = 357,
    kOffOrientAsIs = 358,
    kOffOrientation = 360,
    kOffRotateCCW = 364,
    kOffQuality = 365,
    kOffUseCounter = 366,
    kOffCounterStart = 368,
    kOffScratchDrive = 372,
};

const char kTag[] = "PRJ01";

QString upperAscii(const QString &text)
{
    QString upper = text;
    for (QChar &c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return upper;
}

QString quoted(const QString &code)
{
    QString inner = code;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

void warnUnknownFormat(const QString &code)
{
    Prompt().warning(QStringLiteral("Not found plugin for ") + quoted(code));
}

[[noreturn]] void streamReadError() { throw TError(QStringLiteral("Stream read error")); }

class THeaderWriter
{
public:
    THeaderWriter() : m_bytes(kProjectHeaderSize, '\0') {}

    void text(int offset, const QString &value, int capacity)
    {
        QByteArray field;
        AppendShortString(field, value, capacity);
        std::memcpy(m_bytes.data() + offset, field.constData(), size_t(field.size()));
    }
    void byte(int offset, quint8 value) { m_bytes[offset] = char(value); }
    void int32(int offset, qint32 value)
    {
        qToLittleEndian<qint32>(value, m_bytes.data() + offset);
    }
    void dateTime(int offset, double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        qToLittleEndian<quint64>(bits, m_bytes.data() + offset);
    }
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

class THeaderReader
{
public:
    explicit THeaderReader(const QByteArray &bytes) : m_data(bytes.constData()) {}

    QString text(int offset, int capacity) const { return ReadShortString(m_data + offset, capacity); }
    quint8 byte(int offset) const { return quint8(m_data[offset]); }
    qint32 int32(int offset) const { return qFromLittleEndian<qint32>(m_data + offset); }
    double dateTime(int offset) const
    {
        const quint64 bits = qFromLittleEndian<quint64>(m_data + offset);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const char *m_data;
};

// Lines end at CR, LF or CR LF.
QStringList splitCommentLines(const QByteArray &bytes)
{
    QStringList lines;
    int start = 0;
    const int size = int(bytes.size());
    for (int i = 0; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(DecodeText(bytes.constData() + start, i - start));
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(DecodeText(bytes.constData() + start, size - start));
    return lines;
}

} // namespace

void BuildExtList(TExtList &list, QChar modeLetter)
{
    list.clear();
    for (const TFilterItemType &format : std::as_const(AvailableFormats)) {
        if (format.Mode.contains(modeLetter, Qt::CaseSensitive))
            list.append(TExtCell{TextCutToCapacity(format.Code, 5), 1});
    }
}

int FindExt(const QString &code, const TExtList &list)
{
    const QString wanted = upperAscii(code);
    for (int i = 0; i < list.size(); ++i) {
        if (upperAscii(list.at(i).Ext) == wanted)
            return i;
    }
    return -1;
}

bool AcceptItem(const QString &name, bool isFolder, bool customFilter, const TExtList &sourceExts)
{
    if (!customFilter || isFolder)
        return true;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot).toUpper();
    if (extension.isEmpty())
        return false;
    for (const TExtCell &cell : sourceExts) {
        if (cell.Enabled == 1 && QLatin1Char('.') + cell.Ext.toUpper() == extension)
            return true;
    }
    return false;
}

TCnvJob::TCnvJob(const QString &name)
    : Name(name)
    , Created(NowDateTime())
    , DestDir(DefaultOutputFolder())
    , ScratchDrive(QDir::tempPath())
{
    BuildExtList(SourceExts, QLatin1Char('R'));
    BuildExtList(TargetExts, QLatin1Char('W'));
    // The user's preference is where new projects start; the project then keeps its own.
    if (DoNotEnlarge)
        Options.insert(QStringLiteral("no-enlarge"), QStringLiteral("true"));
    // One level only, and a failure leaves DestDir naming the missing folder.
    QDir().mkdir(DestDir);
}

void TCnvJob::SaveToFile(const QString &path) const
{
    THeaderWriter header;
    header.text(kOffTag, QString::fromLatin1(kTag), 5);
    header.text(kOffName, Name, 25);
    header.text(kOffAuthor, Author, 15);
    header.dateTime(kOffCreated, Created);
    header.dateTime(kOffModified, NowDateTime());
    header.dateTime(kOffOpened, Opened);
    header.int32(kOffCount, qint32(SourceExts.size()));
    header.text(kOffTargetExt, TargetExt, 5);
    header.byte(kOffSearchMode, SearchMode);
    header.byte(kOffUseDestDir, UseDestDir);
    header.text(kOffDestDir, DestDir, 250);
    header.byte(kOffRenameMode, RenameMode);
    header.byte(kOffSizeAsIs, SizeAsIs);
    header.byte(kOffMeasure, Measure);
    header.int32(kOffPresetIndex, PresetIndex);
    header.text(kOffWidth, Width, 5);
    header.text(kOffHeight, Height, 5);
    header.byte(kOffLockHeight, LockHeight);
    header.byte(kOffLockWidth, LockWidth);
    header.byte(kOffOrientAsIs, OrientAsIs);
    header.int32(kOffOrientation, Orientation);
    header.byte(kOffRotateCCW, RotateCCW);
    header.byte(kOffQuality, Quality);
    header.byte(kOffUseCounter, UseCounter);
    header.int32(kOffCounterStart, CounterStart);
    header.text(kOffScratchDrive, ScratchDrive, 250);

    QByteArray bytes = header.bytes();
    for (const TExtCell &cell : SourceExts) {
        AppendShortString(bytes, cell.Ext, 5);
        bytes.append(char(cell.Enabled));
    }
    for (const QString &line : Comment)
        bytes.append(line.toUtf8()).append("\r\n");
    // The zero byte ends the comment for every reader of the file; ours reads on.
    if (!Options.isEmpty())
        bytes.append('\0').append(EncodeOptionsBlock(Options));

    QString reason;
    switch (SaveFileWhole(path, bytes, &reason)) {
    case TSaveResult::Saved:
        return;
    case TSaveResult::CannotCreate:
        throw TError(QStringLiteral("Cannot create file \"%1\". %2")
                         .arg(QFileInfo(path).absoluteFilePath(), reason));
    case TSaveResult::WriteFailed:
        throw TError(QStringLiteral("Stream write error"));
    }
}

void TCnvJob::LoadFromFile(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    // A folder opens for reading on this platform; say what it is instead.
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        const QString reason = info.isDir() ? QStringLiteral("Is a directory") : file.errorString();
        throw TError(QStringLiteral("Cannot open file \"%1\". %2").arg(info.absoluteFilePath(), reason));
    }
    LoadFromStream(file);
}

void TCnvJob::LoadFromStream(QIODevice &stream)
{
    const QByteArray headerBytes = stream.read(kProjectHeaderSize);
    if (headerBytes.size() < kProjectHeaderSize)
        streamReadError();
    if (headerBytes.at(0) != 5 || std::memcmp(headerBytes.constData() + 1, kTag, 5) != 0)
        return;
    const THeaderReader header(headerBytes);

    Name = header.text(kOffName, 25);
    Author = header.text(kOffAuthor, 15);
    Created = header.dateTime(kOffCreated);
    Modified = header.dateTime(kOffModified);
    Opened = NowDateTime();
    UseCounter = header.byte(kOffUseCounter);
    CounterStart = header.int32(kOffCounterStart);
    Quality = header.byte(kOffQuality);
    ScratchDrive = header.text(kOffScratchDrive, 250);
    TargetExt = header.text(kOffTargetExt, 5);
    if (!TargetExt.isEmpty() && FindExt(TargetExt, TargetExts) < 0) {
        warnUnknownFormat(TargetExt);
        TargetExt.clear();
    }

    // The flag goes by position; the code only decides whether the record applies.
    const qint32 records = header.int32(kOffCount);
    qint32 position = 0;
    for (qint32 i = 0; i < records; ++i) {
        char record[kProjectRecordSize];
        if (stream.read(record, kProjectRecordSize) != kProjectRecordSize)
            streamReadError();
        const QString code = ReadShortString(record, 5);
        if (!code.isEmpty() && FindExt(code, SourceExts) < 0) {
            // A format of ours that this library does not offer (missing coder, refused
            // by the security policy) has no place in the list here: the records after
            // it keep theirs.
            if (IsKnownFormatCode(code))
                continue;
            warnUnknownFormat(code);
            ++position;
            continue;
        }
        if (position >= SourceExts.size())
            throw TError(QStringLiteral("List index out of bounds (%1)").arg(position));
        SourceExts[position++].Enabled = quint8(record[6]);
    }

    SearchMode = header.byte(kOffSearchMode);
    UseDestDir = header.byte(kOffUseDestDir);
    DestDir = header.text(kOffDestDir, 250);
    RenameMode = header.byte(kOffRenameMode);
    SizeAsIs = header.byte(kOffSizeAsIs);
    Measure = header.byte(kOffMeasure);
    PresetIndex = header.int32(kOffPresetIndex);
    Width = header.text(kOffWidth, 5);
    Height = header.text(kOffHeight, 5);
    LockHeight = header.byte(kOffLockHeight);
    LockWidth = header.byte(kOffLockWidth);
    OrientAsIs = header.byte(kOffOrientAsIs);
    Orientation = header.int32(kOffOrientation);
    RotateCCW = header.byte(kOffRotateCCW);

    // A zero byte ends the comment; what follows is the program's own block.
    const QByteArray rest = stream.readAll();
    const int zero = int(rest.indexOf('\0'));
    Comment = splitCommentLines(zero < 0 ? rest : rest.left(zero));
    Options.clear();
    const QByteArray block = zero < 0 ? QByteArray() : rest.mid(zero + 1);
    if (!block.isEmpty() && !DecodeOptionsBlock(block, Options))
        Prompt().warning(QStringLiteral("The settings this program keeps after the project's comment "
                                        "are damaged and were ignored; the rest of the project "
                                        "is loaded."));
}

int TListCnvJob::Add(const QString &name)
{
    m_jobs.push_back(std::make_unique<TCnvJob>(name));
    return int(m_jobs.size()) - 1;
}

TCnvJob *TListCnvJob::At(int index) const
{
    if (index < 0 || index >= int(m_jobs.size()))
        return nullptr;
    return m_jobs[size_t(index)].get();
}

void TListCnvJob::SetCurrent(int index)
{
    if (index >= 0 && index < int(m_jobs.size()))
        m_current = index;
}

void TListCnvJob::Clear()
{
    m_jobs.clear();
    m_current = -1;
}

TListCnvJob &ListCnvJob()
{
    static TListCnvJob jobs;
    return jobs;
}

TCnvJob *CurrentJob() { return ListCnvJob().Current(); }

bool HasWritableTarget(const TCnvJob &job)
{
    return !job.TargetExt.isEmpty() && FindExt(job.TargetExt, job.TargetExts) >= 0;
}

QString ProjectFilePath(const QString &typed)
{
    if (typed.endsWith(QLatin1String(".prj"), Qt::CaseInsensitive))
        return typed;
    return typed + QLatin1String(".prj");
}
