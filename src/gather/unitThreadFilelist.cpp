#include "gather/unitThreadFilelist.h"

#include "project/unitFavor.h"
#include "project/unitGeneral.h"

#include <QDirIterator>
#include <QEventLoop>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>
#include <QMutexLocker>

#include <memory>

namespace {

// One mask in upper case, as code points, so that '?' stands for one character even
// outside the basic plane.
using TMaskCode = QList<char32_t>;

TMaskCode MaskCode(const QString &mask)
{
    const QList<uint> ucs4 = mask.toUpper().toUcs4();
    return TMaskCode(ucs4.cbegin(), ucs4.cend());
}

// Wildcard match with one remembered star: on a mismatch the last star takes one more
// character. Linear in practice, never exponential. `at(i)` is the i-th upper-case
// character of the name.
template <typename CharAt>
bool WildMatch(qsizetype nameLength, CharAt at, const TMaskCode &mask)
{
    const qsizetype maskLength = mask.size();
    qsizetype n = 0;
    qsizetype m = 0;
    qsizetype starMask = -1;
    qsizetype starName = 0;
    while (n < nameLength) {
        if (m < maskLength && mask.at(m) == U'*') {
            starMask = m++;
            starName = n;
        } else if (m < maskLength && (mask.at(m) == U'?' || mask.at(m) == at(n))) {
            ++n;
            ++m;
        } else if (starMask >= 0) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < maskLength && mask.at(m) == U'*')
        ++m;
    return m == maskLength;
}

bool IsAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// The masks of one walk, in upper case once.
class TMaskSet
{
public:
    explicit TMaskSet(const QStringList &masks)
    {
        m_codes.reserve(masks.size());
        for (const QString &mask : masks)
            m_codes.append(MaskCode(mask));
    }

    bool Matches(const QString &fileName) const
    {
        if (m_codes.isEmpty())
            return true;
        // Most names are ASCII: fold them on the fly instead of making an upper-case copy.
        if (IsAscii(fileName)) {
            const QChar *chars = fileName.constData();
            const auto at = [chars](qsizetype i) {
                const char16_t c = chars[i].unicode();
                return char32_t(c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c);
            };
            for (const TMaskCode &mask : m_codes) {
                if (WildMatch(fileName.size(), at, mask))
                    return true;
            }
            return false;
        }
        const QList<uint> upper = fileName.toUpper().toUcs4();
        const auto at = [&upper](qsizetype i) { return char32_t(upper.at(i)); };
        for (const TMaskCode &mask : m_codes) {
            if (WildMatch(upper.size(), at, mask))
                return true;
        }
        return false;
    }

private:
    QList<TMaskCode> m_codes;
};

QString TypeTextFromDatabase(const QString &suffix, const QString &fileName)
{
    static const QMimeDatabase database;
    // A name of its own for the suffix, so that the answer is the same for every file that
    // shares it; a name without a suffix is looked up whole (README, Makefile).
    const QString probe = suffix.isEmpty() ? fileName : QStringLiteral("x.") + suffix;
    const QMimeType type = database.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault()) {
        const QString comment = type.comment();
        if (!comment.isEmpty())
            return comment;
    }
    if (suffix.isEmpty())
        return QStringLiteral("File");
    return suffix.toUpper() + QStringLiteral(" file");
}

// The suffix of a name as QFileInfo::suffix() gives it, without making a QFileInfo.
QStringView SuffixOf(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QStringView() : QStringView(fileName).mid(dot + 1);
}

enum class TOutcome { Done, TreeFailed, Cancelled };

class TGatherWalk
{
public:
    TGatherWalk(const QStringList &masks, bool rootOnly, const std::atomic<bool> &cancel,
                const TGatherHooks &hooks)
        : m_masks(masks), m_rootOnly(rootOnly), m_cancel(cancel), m_hooks(hooks)
    {
    }

    TGatherResult Run()
    {
        // A copy: a hook may touch the shared list while the walk goes on.
        const QList<TFavorCell> pending = PendingFavorList();
        try {
            for (const TFavorCell &item : pending) {
                if (Cancelled())
                    break;
                if (item.Folder.isEmpty() && item.Name.isEmpty())
                    continue; // names nothing; "/" would be the whole file system
                const QString path = EntryKey(item);
                const QFileInfo info(path);
                if (info.isDir()) {
                    m_root = WithSlash(path);
                    if (SearchTree(m_root) == TOutcome::Cancelled)
                        break;
                } else if (!OfferSelected(path, item.Name.isEmpty() ? item.Folder : path, info)) {
                    break;
                }
            }
        } catch (const TError &error) {
            m_result.Error = error.text();
        } catch (const std::exception &error) {
            m_result.Error = QString::fromLocal8Bit(error.what());
        }
        return m_result;
    }

private:
    static QString WithSlash(const QString &path)
    {
        return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    }

    bool Cancelled()
    {
        if (m_cancel.load(std::memory_order_relaxed))
            m_result.Cancelled = true;
        return m_result.Cancelled;
    }

    void DispatchOne() const
    {
        if (m_hooks.DispatchOne)
            m_hooks.DispatchOne();
    }

    void DispatchAll() const
    {
        if (m_hooks.DispatchAll)
            m_hooks.DispatchAll();
    }

    // A folder and, unless root-only, its subfolders depth first, each after its parent's
    // files. A folder that cannot be listed ends the whole tree.
    TOutcome SearchTree(const QString &folder)
    {
        QStringList subfolders;
        const TOutcome outcome = SearchFolder(folder, subfolders);
        if (outcome != TOutcome::Done || m_rootOnly)
            return outcome;
        for (const QString &subfolder : std::as_const(subfolders)) {
            const TOutcome inner = SearchTree(subfolder);
            if (inner != TOutcome::Done)
                return inner;
        }
        return TOutcome::Done;
    }

    TOutcome SearchFolder(const QString &folder, QStringList &subfolders)
    {
        // The iterator shows an unlistable folder as an empty one; ask first.
        const QFileInfo self(folder);
        if (!self.isDir() || !self.isReadable() || !self.isExecutable())
            return TOutcome::TreeFailed;
        QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System
                                         | QDir::NoDotAndDotDot);
        bool first = true;
        while (entries.hasNext()) {
            if (!first)
                DispatchOne();
            first = false;
            if (Cancelled())
                return TOutcome::Cancelled;
            entries.next();
            const QFileInfo info = entries.fileInfo();
            const QString name = info.fileName();
            if (name.startsWith(QLatin1Char('.')))
                continue;
            // The listing tells links apart without a look-up. A link to a folder is not
            // followed, so that a link back up the tree cannot loop; a link to a file is.
            if (info.isSymLink()) {
                if (!info.isFile())
                    continue;
            } else if (info.isDir()) {
                subfolders.append(folder + name + QLatin1Char('/'));
                continue;
            } else if (!info.isFile()) {
                continue; // devices, pipes, sockets
            }
            if (!m_masks.Matches(name))
                continue;
            Offer(info, folder, name);
        }
        return TOutcome::Done;
    }

    // A file met in a folder search: every field comes from the listing's information,
    // which reads the size and time of every file anyway. The list's own duplicate test
    // (its index of keys, compared as the file system compares names) decides, so the key
    // is made once per file; a separate Contains() first would make it twice.
    void Offer(const QFileInfo &info, const QString &folder, const QString &name)
    {
        TFavorCell cell;
        cell.Name = name;
        cell.Size = info.size();
        cell.FileType = TypeText(info, name);
        cell.Modified = DateTimeFromQt(info.lastModified());
        cell.Folder = folder;
        cell.Root = m_root;
        if (FavorList().Append(cell))
            ++m_result.Added;
        DispatchAll();
    }

    // A file selected on its own: no mask applies; a path that is no readable file stops
    // the walk. Returns whether the walk goes on.
    bool OfferSelected(const QString &path, const QString &shownPath, const QFileInfo &info)
    {
        if (Cancelled())
            return false;
        if (FavorList().Contains(path)) {
            DispatchAll();
            return true;
        }
        QString reason;
        if (!info.exists())
            reason = QStringLiteral("no such file or folder");
        else if (!info.isFile())
            reason = QStringLiteral("not a regular file");
        else if (!info.isReadable())
            reason = QStringLiteral("permission denied");
        if (!reason.isEmpty()) {
            m_result.Error = QStringLiteral("Cannot read ") + shownPath + QStringLiteral(": ") + reason;
            return false;
        }
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        TFavorCell cell;
        cell.Name = path.mid(slash + 1);
        cell.Folder = path.left(slash + 1);
        cell.Size = info.size();
        cell.FileType = FileTypeText(info);
        cell.Modified = DateTimeFromQt(info.lastModified());
        if (FavorList().Append(cell))
            ++m_result.Added;
        DispatchAll();
        return true;
    }

    // Files of one folder mostly share a suffix: remember the last answer.
    QString TypeText(const QFileInfo &info, const QString &name)
    {
        const QStringView suffix = SuffixOf(name);
        if (!m_lastSuffixValid || suffix != m_lastSuffix || suffix.isEmpty()) {
            m_lastSuffix = suffix.toString();
            m_lastType = FileTypeText(info);
            m_lastSuffixValid = !suffix.isEmpty();
        }
        return m_lastType;
    }

    const TMaskSet m_masks;
    const bool m_rootOnly;
    const std::atomic<bool> &m_cancel;
    const TGatherHooks &m_hooks;
    TGatherResult m_result;
    QString m_root; // the selected folder being searched
    QString m_lastSuffix;
    QString m_lastType;
    bool m_lastSuffixValid = false;
};

} // namespace

QStringList GatherMasks(bool customFilter, const TExtList &checkList)
{
    if (!customFilter)
        return {QStringLiteral("*.*")};
    QStringList masks;
    for (const TExtCell &cell : checkList) {
        if (cell.Enabled)
            masks.append(QStringLiteral("*.") + cell.Ext);
    }
    return masks;
}

bool MaskMatches(const QString &fileName, const QStringList &masks)
{
    return TMaskSet(masks).Matches(fileName);
}

QString FileTypeText(const QFileInfo &info)
{
    const QString fileName = info.fileName();
    const QStringView suffix = SuffixOf(fileName);
    // Keyed by the suffix; a name without one is keyed by the whole name after a "/",
    // which no suffix holds.
    const QString key = suffix.isEmpty() ? QLatin1Char('/') + fileName : suffix.toString();
    static QMutex guard;
    static QHash<QString, QString> cache;
    {
        const QMutexLocker lock(&guard);
        const auto found = cache.constFind(key);
        if (found != cache.cend())
            return found.value();
    }
    const QString text = TypeTextFromDatabase(suffix.toString(), fileName);
    const QMutexLocker lock(&guard);
    cache.insert(key, text);
    return text;
}

TGatherResult GatherPending(const QStringList &masks, bool rootOnly,
                            const std::atomic<bool> &cancel, const TGatherHooks &hooks)
{
    return TGatherWalk(masks, rootOnly, cancel, hooks).Run();
}

TThreadFilelist::TThreadFilelist(QStringList masks, bool rootOnly, TGatherHooks hooks,
                                 QObject *parent)
    : QThread(parent), m_masks(std::move(masks)), m_rootOnly(rootOnly), m_hooks(std::move(hooks))
{
}

void TThreadFilelist::run()
{
    // The object lives in the thread that made it: the walk runs there, this thread waits.
    QMetaObject::invokeMethod(this, [this] { Walk(); }, Qt::BlockingQueuedConnection);
}

void TThreadFilelist::Walk()
{
    m_result = GatherPending(m_masks, m_rootOnly, m_cancel, m_hooks);
}

TGatherResult GatherWithThread(const QStringList &masks, bool rootOnly, const TGatherHooks &hooks)
{
    const auto gatherer = std::make_unique<TThreadFilelist>(masks, rootOnly, hooks);
    QEventLoop loop;
    QObject::connect(gatherer.get(), &QThread::finished, &loop, &QEventLoop::quit);
    gatherer->start();
    loop.exec();
    gatherer->wait();
    return gatherer->Result();
}
