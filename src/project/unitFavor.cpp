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

QString FoldedKey(const QString &key)
{
    return key.toUpper();
}

bool SameEntry(const QString &keyA, const QString &keyB)
{
    return FoldedKey(keyA) == FoldedKey(keyB);
}

bool TFavorList::Append(const TFavorCell &cell)
{
    const QString folded = FoldedKey(EntryKey(cell));
    if (m_folded.contains(folded))
        return false;
    m_folded.insert(folded);
    m_cells.append(cell);
    return true;
}

int TFavorList::RemoveKeys(const QStringList &keys)
{
    // Each key takes away one entry; with unique keys that is the only one.
    QHash<QString, int> wanted;
    for (const QString &key : keys) {
        const QString folded = FoldedKey(key);
        if (m_folded.contains(folded))
            wanted.insert(folded, 1);
    }
    if (wanted.isEmpty())
        return 0;
    int removed = 0;
    QList<TFavorCell> kept;
    kept.reserve(m_cells.size());
    for (TFavorCell &cell : m_cells) {
        const QString folded = FoldedKey(EntryKey(cell));
        auto it = wanted.find(folded);
        if (it != wanted.end() && it.value() > 0) {
            --it.value();
            m_folded.remove(folded);
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
    m_folded.clear();
}

void TFavorList::Reserve(int count)
{
    m_cells.reserve(count);
    m_folded.reserve(count);
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
