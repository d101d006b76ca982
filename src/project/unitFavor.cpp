#include "project/unitFavor.h"

#include <QFileInfo>

QString EntryKey(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString EntryKey(const TFavorCell &cell)
{
    return EntryKey(cell.Folder, cell.Name);
}

namespace {

// Folds ASCII without tables and appends it at `out`; false at the first other character.
bool foldAscii(QStringView part, QChar *&out)
{
    for (const QChar ch : part) {
        const char16_t c = ch.unicode();
        if (c >= 0x80)
            return false;
        *out++ = QChar(c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c);
    }
    return true;
}

// The folded key of an entry in one allocation when folder and name are ASCII.
QString FoldedEntryKey(const QString &folder, const QString &name)
{
    const bool slash = !folder.endsWith(QLatin1Char('/'));
    QString folded(folder.size() + (slash ? 1 : 0) + name.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    if (!foldAscii(folder, out))
        return EntryKey(folder, name).toUpper();
    if (slash)
        *out++ = QLatin1Char('/');
    if (!foldAscii(name, out))
        return EntryKey(folder, name).toUpper();
    return folded;
}

} // namespace

Qt::CaseSensitivity FileNameCase()
{
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

QString FoldedKey(const QString &key)
{
    QString folded(key.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    return foldAscii(key, out) ? folded : key.toUpper();
}

bool SameEntry(const QString &keyA, const QString &keyB, Qt::CaseSensitivity cs)
{
    if (cs == Qt::CaseSensitive)
        return keyA == keyB;
    return FoldedKey(keyA) == FoldedKey(keyB);
}

QString TFavorList::indexKey(const QString &key) const
{
    return m_case == Qt::CaseSensitive ? key : FoldedKey(key);
}

bool TFavorList::Append(const TFavorCell &cell)
{
    const QString key = m_case == Qt::CaseSensitive ? EntryKey(cell.Folder, cell.Name)
                                                    : FoldedEntryKey(cell.Folder, cell.Name);
    if (!m_keys.insert(key).second)
        return false;
    m_cells.append(cell);
    return true;
}

int TFavorList::RemoveKeys(const QStringList &keys)
{
    // Each key takes away one entry; with unique keys that is the only one.
    QHash<QString, int> wanted;
    for (const QString &given : keys) {
        const QString key = indexKey(given);
        if (m_keys.count(key))
            wanted.insert(key, 1);
    }
    if (wanted.isEmpty())
        return 0;
    int removed = 0;
    QList<TFavorCell> kept;
    kept.reserve(m_cells.size());
    for (TFavorCell &cell : m_cells) {
        const QString key = indexKey(EntryKey(cell));
        auto it = wanted.find(key);
        if (it != wanted.end() && it.value() > 0) {
            --it.value();
            m_keys.erase(key);
            ++removed;
            continue;
        }
        kept.append(std::move(cell));
    }
    m_cells = std::move(kept);
    return removed;
}

void TFavorList::Clear()
{
    m_cells.clear();
    m_keys.clear();
}

void TFavorList::Reserve(int count)
{
    m_cells.reserve(count);
    m_keys.reserve(count);
}

TFavorList &FavorList()
{
    static TFavorList list;
    return list;
}

QList<TFavorCell> &PendingFavorList()
{
    static QList<TFavorCell> list;
    return list;
}

TFavorCell PendingEntryFor(const QString &path)
{
    TFavorCell cell;
    const QFileInfo info(path);
    if (info.isDir()) {
        cell.Folder = path;
        return cell;
    }
    cell.Name = info.fileName();
    cell.Folder = info.path();
    if (!cell.Folder.endsWith(QLatin1Char('/')))
        cell.Folder += QLatin1Char('/');
    return cell;
}
