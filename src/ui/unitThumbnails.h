#pragma once

// Thumbnails of the file list: made on a thread pool of their own, kept in memory and in
// the cache file "Thumbnails.Cache", so that a folder seen before shows them at once.

#include <QByteArray>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>

// Encoded thumbnails by path, file size and modification time, with a bound on the number
// of entries and on their bytes; past either, the entries used longest ago go first.
class TThumbnailCache
{
public:
    static constexpr int DefaultMaxEntries = 20000;
    static constexpr qint64 DefaultMaxBytes = 100 * 1024 * 1024;

    // An empty encoding records a file that cannot be decoded.
    void Insert(const QString &path, qint64 size, qint64 modifiedMs, const QByteArray &encoded);
    // False when there is no entry for that path in that size and modification time.
    bool Find(const QString &path, qint64 size, qint64 modifiedMs, QByteArray *encoded);
    bool Contains(const QString &path, qint64 size, qint64 modifiedMs) const;

    int Count() const { return int(m_entries.size()); }
    qint64 Bytes() const { return m_bytes; }
    void Clear();
    void SetLimits(int maxEntries, qint64 maxBytes);

    // Replaces the contents with the file's. A missing, short or damaged file leaves the
    // cache empty and returns false.
    bool Load(const QString &file);
    // Writes the whole cache through a temporary file that replaces the old one only when
    // complete; on failure the old file stays as it was.
    bool Save(const QString &file) const;

private:
    struct TEntry
    {
        QString Path;
        qint64 Size = 0;
        qint64 ModifiedMs = 0;
        QByteArray Encoded;
        quint64 Used = 0;
    };
    static QString keyOf(const QString &path, qint64 size, qint64 modifiedMs);
    void trim();

    QHash<QString, TEntry> m_entries;
    qint64 m_bytes = 0;
    quint64 m_clock = 0;
    int m_maxEntries = DefaultMaxEntries;
    qint64 m_maxBytes = DefaultMaxBytes;
};

// Makes thumbnails in the background and hands them out framed, ready to draw. Every call
// is made on the user-interface thread; the decoders never touch the cache.
class TThumbnailMaker : public QObject
{
    Q_OBJECT

public:
    // The longer side of a thumbnail, and the framed square it is drawn in.
    static constexpr int Edge = 96;
    static constexpr int FramedEdge = Edge + 4;

    enum class TState { Ready, Pending, Failed };

    explicit TThumbnailMaker(QObject *parent = nullptr);
    ~TThumbnailMaker() override;
    // Drops what is queued, stops the decoders at work at their next read, waits for them
    // and saves the cache: what the window's closing asks for. Later requests are made as
    // before.
    void Stop();

    // The cache file; the program's folder holds it unless set. Setting it loads it.
    QString CacheFile() const { return m_cacheFile; }
    void SetCacheFile(const QString &file);
    bool SaveCache();
    TThumbnailCache &Cache();

    // A file's picture scaled to fit Edge, upright as its EXIF orientation says; null when
    // it cannot be decoded, or when *stop is set before it is done. Safe on any thread.
    static QImage MakeThumbnail(const QString &path, const std::atomic_bool *stop = nullptr);

    // Whether a file's name marks an image that Qt can read.
    static bool CanDecode(const QFileInfo &info);

    // Ready: the framed thumbnail is in *pixmap. Failed: the file cannot be decoded.
    // Pending: it is queued (visible ones before the rest) and thumbnailReady follows.
    TState Find(const QFileInfo &info, QPixmap *pixmap, bool visible = true);
    // The same for a file whose size and modification time (ms since the epoch) are known:
    // the list asks for every row it draws, and reading them costs more than a look-up.
    TState Find(const QString &path, qint64 size, qint64 modifiedMs, QPixmap *pixmap, bool visible = true);
    // Queues a thumbnail not yet made, for items near the visible ones.
    void Prefetch(const QFileInfo &info);
    void Prefetch(const QString &path, qint64 size, qint64 modifiedMs);
    // Forgets every request not yet started, for a folder that is no longer shown.
    void CancelPending();
    int PendingCount() const { return m_pending.size(); }

    // Files decoded so far, by every maker of the process.
    static int DecodeCount();

    // The framed square shown while a thumbnail is being made.
    static QPixmap Placeholder();
    // A file type icon centred in the framed square.
    static QPixmap Framed(const QIcon &icon);

Q_SIGNALS:
    void thumbnailReady(const QString &path);

private:
    void ensureLoaded();
    static bool canDecode(const QString &path);
    void request(const QString &path, qint64 size, qint64 modifiedMs, int priority);
    void deliver(quint64 generation, const QString &path, qint64 size, qint64 modifiedMs,
                 const QByteArray &encoded);
    static QPixmap framedImage(const QImage &image);

    QThreadPool m_pool;
    std::shared_ptr<std::atomic_bool> m_stop = std::make_shared<std::atomic_bool>(false);
    TThumbnailCache m_cache;
    QString m_cacheFile;
    bool m_loaded = false;
    bool m_dirty = false;
    QSet<QString> m_pending;
    quint64 m_generation = 0;
    int m_sequence = 0;
};
