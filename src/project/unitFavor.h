#pragma once

// The sources of the next run: the list the gatherer appends to and the pending items
// of the add command. Entries name files; their keys compare as the file system compares
// names, so on a case-insensitive one two keys that differ only in letter case name one file.

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <unordered_set>

// std::unordered_set grows by relinking its nodes; QSet moves every node on each growth,
// which cost more than the whole rest of a gathering.
struct TQStringHash
{
    size_t operator()(const QString &text) const noexcept { return qHash(text); }
};

// A row whose output existed already and was kept as it was.
constexpr quint8 kStatusSkipped = 3;

struct TFavorCell
{
    QString Name; // file name with extension; empty for a pending folder
    qint64 Size = 0;
    QString FileType;
    double Modified = 0; // date-time, local
    QString Folder;      // ends with "/"; a pending folder holds the folder's path
    // The folder added to the sources that this file was found by searching, ending with
    // "/"; empty for a file added on its own.
    QString Root;
    quint8 Status = 0;   // 0 not converted in this run, 1 failed, 2 converted, 3 skipped
    QString Message;
};
Q_DECLARE_TYPEINFO(TFavorCell, Q_RELOCATABLE_TYPE);

// Folder, with "/" appended when missing, then Name.
QString EntryKey(const TFavorCell &cell);
QString EntryKey(const QString &folder, const QString &name);
// How the platform's file systems compare names: case-sensitive except on Windows and macOS.
Qt::CaseSensitivity FileNameCase();
// The key in Unicode upper case: keys are equal ignoring case when their folded forms are.
QString FoldedKey(const QString &key);
bool SameEntry(const QString &keyA, const QString &keyB, Qt::CaseSensitivity cs = FileNameCase());

// Ordered by addition and never sorted; no two entries share a key as the list compares
// them. The index of keys (folded when case is ignored) answers the duplicate test without
// a scan.
class TFavorList
{
public:
    explicit TFavorList(Qt::CaseSensitivity cs = FileNameCase()) : m_case(cs) {}
    Qt::CaseSensitivity KeyCase() const { return m_case; }

    int Count() const { return int(m_cells.size()); }
    bool IsEmpty() const { return m_cells.isEmpty(); }
    const TFavorCell &At(int index) const { return m_cells.at(index); }
    const QList<TFavorCell> &Cells() const { return m_cells; }

    bool Contains(const QString &key) const { return m_keys.count(indexKey(key)) != 0; }
    // Appends unless an entry with an equal key is present; false when it was not added.
    bool Append(const TFavorCell &cell);
    // Removes the first entry whose key equals each of the keys, in one pass.
    // Returns how many entries went.
    int RemoveKeys(const QStringList &keys);
    bool RemoveKey(const QString &key) { return RemoveKeys(QStringList{key}) == 1; }
    void Clear();
    void Reserve(int count);

private:
    QString indexKey(const QString &key) const;

    Qt::CaseSensitivity m_case;
    QList<TFavorCell> m_cells;
    std::unordered_set<QString, TQStringHash> m_keys;
};

// The process-wide lists.
TFavorList &FavorList();
QList<TFavorCell> &PendingFavorList();

// A pending entry for a selected path: a folder stands for itself (Name empty, Folder its
// path), anything else for one file (Name its file name, Folder its folder with "/").
TFavorCell PendingEntryFor(const QString &path);
