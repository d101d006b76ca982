#include "ui/unitThumbnails.h"

#include "engine/unitPreview.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPixmapCache>
#include <QRunnable>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <functional>
#include <vector>

namespace {

// File layout: magic, version, payload length, MD5 of the payload, payload. The digest
// turns any damage into a refused file instead of garbage thumbnails.
const QByteArray kMagic = QByteArrayLiteral("PTVTHUMB");
constexpr quint32 kVersion = 1;
constexpr qint64 kHeaderBytes = 8 + 4 + 8 + 16;
constexpr qint64 kLargestFile = 512LL * 1024 * 1024;

std::atomic<int> g_decodes{0};

QByteArray encodeThumbnail(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool alpha = image.hasAlphaChannel();
    QImageWriter writer(&buffer, alpha ? QByteArrayLiteral("png") : QByteArrayLiteral("jpg"));
    if (!alpha)
        writer.setQuality(88);
    if (!writer.write(image))
        return {};
    return bytes;
}

// A file whose reads fail once it is told to stop: the decoder reading it gives up at its
// next read rather than decode a large picture to the end.
class TStoppableFile : public QFile
{
public:
    TStoppableFile(const QString &path, const std::atomic_bool *stop) : QFile(path), m_stop(stop) {}

protected:
    qint64 readData(char *data, qint64 most) override
    {
        if (m_stop && *m_stop)
            return -1;
        return QFile::readData(data, most);
    }

private:
    const std::atomic_bool *m_stop;
};

} // namespace

namespace {

bool qtReads(const QByteArray &suffix)
{
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return !suffix.isEmpty() && formats.contains(suffix);
}

QByteArray suffixOf(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || path.indexOf(QLatin1Char('/'), dot) >= 0)
        return {};
    return path.mid(dot + 1).toLower().toLatin1();
}

// Formats Qt has no reader for are decoded by the image library, at thumbnail size.
QImage libraryThumbnail(const QString &path)
{
    const TPixels pixels = LibraryThumbnail(path, TThumbnailMaker::Edge);
    if (pixels.IsNull())
        return {};
    return QImage(reinterpret_cast<const uchar *>(pixels.Rgba.constData()), pixels.Size.width(),
                  pixels.Size.height(), pixels.Size.width() * 4, QImage::Format_RGBA8888)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage TThumbnailMaker::MakeThumbnail(const QString &path, const std::atomic_bool *stop)
{
    if (!qtReads(suffixOf(path)))
        return stop && *stop ? QImage() : libraryThumbnail(path);
    TStoppableFile file(path, stop);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&file, QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    // Only the JPEG reader decodes fewer pixels for a smaller size; the others read it all
    // and scale it themselves, keeping the image's own format.
    const QByteArray format = reader.format();
    const bool jpeg = format == "jpeg" || format == "jpg";
    if (jpeg && full.isValid() && (full.width() > Edge || full.height() > Edge))
        reader.setScaledSize(full.scaled(Edge, Edge, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull() || (stop && *stop))
        return {};
    if (image.width() <= Edge && image.height() <= Edge)
        return image;
    // Scaled in its own format, an indexed image comes back indexed: a 1-bit picture is
    // dithered to black and white whatever its palette holds.
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
        break;
    default:
        break;
    }
    return image.scaled(Edge, Edge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

namespace {

class TDecodeJob : public QRunnable
{
public:
    TDecodeJob(TThumbnailMaker *maker, std::function<void(QByteArray)> done, QString path,
               std::shared_ptr<std::atomic_bool> stop)
        : m_done(std::move(done)), m_path(std::move(path)), m_maker(maker), m_stop(std::move(stop))
    {
    }

    void run() override
    {
        if (*m_stop)
            return;
        g_decodes.fetch_add(1);
        const QImage image = TThumbnailMaker::MakeThumbnail(m_path, m_stop.get());
        // Stopped half-way is no failure of the file: nothing is recorded.
        if (*m_stop)
            return;
        QByteArray encoded;
        if (!image.isNull()) {
            encoded = encodeThumbnail(image);
            if (encoded.isEmpty())
                encoded = QByteArrayLiteral("-"); // made but not storable: still not a failure
        }
        // The maker outlives its jobs: its destructor waits for the pool.
        QMetaObject::invokeMethod(m_maker, [done = m_done, encoded] { done(encoded); },
                                  Qt::QueuedConnection);
    }

private:
    std::function<void(QByteArray)> m_done;
    QString m_path;
    TThumbnailMaker *m_maker;
    std::shared_ptr<std::atomic_bool> m_stop;
};

} // namespace

// ---------------------------------------------------------------------------------------

QString TThumbnailCache::keyOf(const QString &path, qint64 size, qint64 modifiedMs)
{
    return path + QLatin1Char('\n') + QString::number(size) + QLatin1Char('\n')
           + QString::number(modifiedMs);
}

void TThumbnailCache::Insert(const QString &path, qint64 size, qint64 modifiedMs,
                             const QByteArray &encoded)
{
    const QString key = keyOf(path, size, modifiedMs);
    auto it = m_entries.find(key);
    if (it != m_entries.end()) {
        m_bytes -= it->Encoded.size();
        it->Encoded = encoded;
        it->Used = ++m_clock;
    } else {
        m_entries.insert(key, TEntry{path, size, modifiedMs, encoded, ++m_clock});
    }
    m_bytes += encoded.size();
    trim();
}

bool TThumbnailCache::Find(const QString &path, qint64 size, qint64 modifiedMs, QByteArray *encoded)
{
    auto it = m_entries.find(keyOf(path, size, modifiedMs));
    if (it == m_entries.end())
        return false;
    it->Used = ++m_clock;
    if (encoded)
        *encoded = it->Encoded;
    return true;
}

bool TThumbnailCache::Contains(const QString &path, qint64 size, qint64 modifiedMs) const
{
    return m_entries.contains(keyOf(path, size, modifiedMs));
}

void TThumbnailCache::Clear()
{
    m_entries.clear();
    m_bytes = 0;
}

void TThumbnailCache::SetLimits(int maxEntries, qint64 maxBytes)
{
    m_maxEntries = std::max(1, maxEntries);
    m_maxBytes = std::max<qint64>(1, maxBytes);
    trim();
}

void TThumbnailCache::trim()
{
    if (m_entries.size() <= m_maxEntries && m_bytes <= m_maxBytes)
        return;
    // Trim to nine tenths at once so that a full cache is not sorted on every insert.
    const qsizetype keepEntries = std::max<qsizetype>(1, m_maxEntries - m_maxEntries / 10);
    const qint64 keepBytes = m_maxBytes - m_maxBytes / 10;
    std::vector<std::pair<quint64, QString>> byAge;
    byAge.reserve(size_t(m_entries.size()));
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        byAge.emplace_back(it->Used, it.key());
    std::sort(byAge.begin(), byAge.end());
    for (const auto &[used, key] : byAge) {
        if (m_entries.size() <= keepEntries && m_bytes <= keepBytes)
            break;
        m_bytes -= m_entries.value(key).Encoded.size();
        m_entries.remove(key);
    }
}

bool TThumbnailCache::Load(const QString &file)
{
    Clear();
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly) || in.size() < kHeaderBytes || in.size() > kLargestFile)
        return false;
    const QByteArray all = in.readAll();
    if (all.size() != in.size() || !all.startsWith(kMagic))
        return false;

    QDataStream header(all);
    header.setVersion(QDataStream::Qt_6_4);
    header.skipRawData(int(kMagic.size()));
    quint32 version = 0;
    quint64 length = 0;
    header >> version >> length;
    QByteArray digest(16, '\0');
    header.readRawData(digest.data(), 16);
    if (header.status() != QDataStream::Ok || version != kVersion
        || length != quint64(all.size() - kHeaderBytes))
        return false;
    const QByteArray payload = all.mid(kHeaderBytes);
    if (QCryptographicHash::hash(payload, QCryptographicHash::Md5) != digest)
        return false;

    QDataStream stream(payload);
    stream.setVersion(QDataStream::Qt_6_4);
    qint32 count = -1;
    stream >> count;
    if (count < 0)
        return false;
    for (qint32 i = 0; i < count; ++i) {
        TEntry entry;
        stream >> entry.Path >> entry.Size >> entry.ModifiedMs >> entry.Encoded;
        if (stream.status() != QDataStream::Ok || entry.Path.isEmpty()) {
            Clear();
            return false;
        }
        entry.Used = ++m_clock;
        m_bytes += entry.Encoded.size();
        m_entries.insert(keyOf(entry.Path, entry.Size, entry.ModifiedMs), entry);
    }
    if (!stream.atEnd()) {
        Clear();
        return false;
    }
    trim();
    return true;
}

bool TThumbnailCache::Save(const QString &file) const
{
    std::vector<const TEntry *> byAge;
    byAge.reserve(size_t(m_entries.size()));
    for (const TEntry &entry : m_entries)
        byAge.push_back(&entry);
    std::sort(byAge.begin(), byAge.end(),
              [](const TEntry *a, const TEntry *b) { return a->Used < b->Used; });

    QByteArray payload;
    {
        QDataStream stream(&payload, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_6_4);
        stream << qint32(byAge.size());
        for (const TEntry *entry : byAge)
            stream << entry->Path << entry->Size << entry->ModifiedMs << entry->Encoded;
    }

    // A temporary file renamed over the old one: the old file stays whole until the new one
    // is. Not flushed to the disk as a document would be: a cache lost to a power cut is
    // made again, and waiting for the disk kept the program alive long after its window
    // had closed.
    QTemporaryFile out(file + QStringLiteral(".XXXXXX"));
    if (!out.open())
        return false;
    QByteArray header;
    {
        QDataStream stream(&header, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_6_4);
        stream.writeRawData(kMagic.constData(), int(kMagic.size()));
        stream << kVersion << quint64(payload.size());
        const QByteArray digest = QCryptographicHash::hash(payload, QCryptographicHash::Md5);
        stream.writeRawData(digest.constData(), int(digest.size()));
    }
    if (out.write(header) != header.size() || out.write(payload) != payload.size() || !out.flush())
        return false;
    out.close();
    const QByteArray from = QFile::encodeName(out.fileName());
    const QByteArray to = QFile::encodeName(file);
    if (std::rename(from.constData(), to.constData()) != 0) {
        // Where a rename does not replace a file (Windows), the old one goes first.
        if (!QFile::exists(file) || !QFile::remove(file) || std::rename(from.constData(), to.constData()) != 0)
            return false;
    }
    out.setAutoRemove(false);
    return true;
}

// ---------------------------------------------------------------------------------------

int TThumbnailMaker::DecodeCount()
{
    return g_decodes.load();
}

TThumbnailMaker::TThumbnailMaker(QObject *parent)
    : QObject(parent)
{
    // Leave a core for the user-interface thread.
    m_pool.setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 4));
    // Per user, and never beside an installed program.
    m_cacheFile = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/Thumbnails.Cache");
    if (QPixmapCache::cacheLimit() < 64 * 1024)
        QPixmapCache::setCacheLimit(64 * 1024);
}

TThumbnailMaker::~TThumbnailMaker()
{
    Stop();
}

void TThumbnailMaker::Stop()
{
    *m_stop = true;
    m_pool.clear();
    m_pool.waitForDone();
    *m_stop = false;
    m_pending.clear();
    ++m_generation;
    if (m_dirty)
        SaveCache();
}

void TThumbnailMaker::SetCacheFile(const QString &file)
{
    if (m_loaded && m_dirty)
        SaveCache();
    m_cacheFile = file;
    m_cache.Clear();
    m_loaded = false;
    m_dirty = false;
    ensureLoaded();
}

void TThumbnailMaker::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_cache.Load(m_cacheFile);
}

bool TThumbnailMaker::SaveCache()
{
    ensureLoaded();
    QDir().mkpath(QFileInfo(m_cacheFile).absolutePath());
    if (!m_cache.Save(m_cacheFile))
        return false;
    m_dirty = false;
    return true;
}

TThumbnailCache &TThumbnailMaker::Cache()
{
    ensureLoaded();
    return m_cache;
}

bool TThumbnailMaker::CanDecode(const QFileInfo &info)
{
    return canDecode(info.fileName());
}

bool TThumbnailMaker::canDecode(const QString &path)
{
    const QByteArray suffix = suffixOf(path);
    return qtReads(suffix) || LibraryReadsExtension(QString::fromLatin1(suffix));
}

TThumbnailMaker::TState TThumbnailMaker::Find(const QFileInfo &info, QPixmap *pixmap, bool visible)
{
    return Find(info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch(), pixmap, visible);
}

TThumbnailMaker::TState TThumbnailMaker::Find(const QString &path, qint64 size, qint64 modified, QPixmap *pixmap,
                                              bool visible)
{
    ensureLoaded();
    const QString pixmapKey = QStringLiteral("pictavo-thumb:%1:%2:%3").arg(path).arg(size).arg(modified);
    if (QPixmapCache::find(pixmapKey, pixmap)) {
        m_cache.Find(path, size, modified, nullptr);
        return TState::Ready;
    }
    QByteArray encoded;
    if (m_cache.Find(path, size, modified, &encoded)) {
        if (encoded.isEmpty())
            return TState::Failed;
        const QImage image = QImage::fromData(encoded);
        if (image.isNull())
            return TState::Failed;
        *pixmap = framedImage(image);
        QPixmapCache::insert(pixmapKey, *pixmap);
        return TState::Ready;
    }
    if (!canDecode(path))
        return TState::Failed;
    request(path, size, modified, visible ? (1 << 24) + m_sequence : 0);
    return TState::Pending;
}

void TThumbnailMaker::Prefetch(const QFileInfo &info)
{
    Prefetch(info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch());
}

void TThumbnailMaker::Prefetch(const QString &path, qint64 size, qint64 modified)
{
    ensureLoaded();
    if (!canDecode(path) || m_cache.Contains(path, size, modified))
        return;
    request(path, size, modified, 0);
}

void TThumbnailMaker::request(const QString &path, qint64 size, qint64 modified, int priority)
{
    if (m_pending.contains(path))
        return;
    m_pending.insert(path);
    ++m_sequence;
    const quint64 generation = m_generation;
    auto done = [this, generation, path, size, modified](const QByteArray &encoded) {
        deliver(generation, path, size, modified, encoded);
    };
    auto *job = new TDecodeJob(this, done, path, m_stop);
    job->setAutoDelete(true);
    // Later requests come first among equals: those are what the user looks at now.
    m_pool.start(job, std::min(priority + m_sequence, (1 << 30)));
}

void TThumbnailMaker::deliver(quint64 generation, const QString &path, qint64 size, qint64 modifiedMs,
                              const QByteArray &encoded)
{
    if (generation == m_generation)
        m_pending.remove(path);
    // A thumbnail made for a folder left meanwhile is still worth keeping.
    m_cache.Insert(path, size, modifiedMs, encoded == QByteArrayLiteral("-") ? QByteArray() : encoded);
    m_dirty = true;
    if (generation == m_generation)
        Q_EMIT thumbnailReady(path);
}

void TThumbnailMaker::CancelPending()
{
    m_pool.clear();
    m_pending.clear();
    ++m_generation;
    m_sequence = 0;
}

QPixmap TThumbnailMaker::framedImage(const QImage &image)
{
    QPixmap framed(FramedEdge, FramedEdge);
    framed.fill(Qt::transparent);
    QPainter painter(&framed);
    const QRect target((FramedEdge - image.width()) / 2, (FramedEdge - image.height()) / 2,
                       image.width(), image.height());
    painter.fillRect(target.adjusted(-2, -2, 2, 2), QColor(255, 255, 255));
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(target.adjusted(-2, -2, 1, 1));
    painter.drawImage(target, image);
    return framed;
}

QPixmap TThumbnailMaker::Placeholder()
{
    QPixmap placeholder;
    if (QPixmapCache::find(QStringLiteral("pictavo-thumb-placeholder"), &placeholder))
        return placeholder;
    placeholder = QPixmap(FramedEdge, FramedEdge);
    placeholder.fill(Qt::transparent);
    QPainter painter(&placeholder);
    const QRect box(2, 2, FramedEdge - 5, FramedEdge - 5);
    painter.fillRect(box, QColor(236, 236, 236));
    painter.setPen(QPen(QColor(190, 190, 190), 1, Qt::DashLine));
    painter.drawRect(box);
    painter.end();
    QPixmapCache::insert(QStringLiteral("pictavo-thumb-placeholder"), placeholder);
    return placeholder;
}

QPixmap TThumbnailMaker::Framed(const QIcon &icon)
{
    QPixmap framed(FramedEdge, FramedEdge);
    framed.fill(Qt::transparent);
    QPainter painter(&framed);
    const int side = 48;
    icon.paint(&painter, QRect((FramedEdge - side) / 2, (FramedEdge - side) / 2, side, side));
    return framed;
}
