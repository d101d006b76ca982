#pragma once

// The file gatherer: expands the pending items of the add command into sources entries.
// The walk runs on the thread the gatherer object lives in (the user-interface thread);
// the worker thread only hands the walk over and waits, so the sources list is touched
// by one thread alone.

#include "project/unitJob.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <functional>

// Masks: customFilter off -> {"*.*"}; on -> "*." + Ext of every Enabled item, in list order
// (may be empty: matches all).
QStringList GatherMasks(bool customFilter, const TExtList &checkList);

// Upper-case comparison, '*' any run (the empty one included), '?' one character, the whole
// name consumed; an empty list matches every name.
bool MaskMatches(const QString &fileName, const QStringList &masks);

// The type text of a file: the MIME database's comment for its name (looked up by suffix and
// cached, so that many files of one type cost one look-up), else "EXT file" (the extension
// without the dot in upper case), or "File" for a name without an extension, when the
// database knows nothing better than a generic binary stream.
QString FileTypeText(const QFileInfo &info);

struct TGatherHooks
{
    std::function<void()> DispatchOne; // between two entries of a folder; may be empty
    std::function<void()> DispatchAll; // after each offered file; may be empty
};

struct TGatherResult
{
    int Added = 0;
    bool Cancelled = false;
    QString Error; // text of the failure that stopped the walk, if any
    // Folders that could not be listed; the walk went on without them.
    QStringList Unlisted;
};

// "Folder cannot be listed: <folder>", one line per folder, from the template given
// (the catalogue's MSG_FOLDER_NOT_LISTED).
QString UnlistedFoldersText(const TGatherResult &result, const QString &text);

// The walk over PendingFavorList into FavorList, on the calling thread. `cancel` is read
// before every entry; once it is set nothing more is added and the walk ends. The current
// project's destination folder is not searched, nor are hidden folders such as the runs'
// staging folders.
TGatherResult GatherPending(const QStringList &masks, bool rootOnly,
                            const std::atomic<bool> &cancel, const TGatherHooks &hooks);

class TThreadFilelist : public QThread
{
    Q_OBJECT

public:
    TThreadFilelist(QStringList masks, bool rootOnly, TGatherHooks hooks,
                    QObject *parent = nullptr);

    void Cancel() { m_cancel.store(true); }
    bool IsCancelled() const { return m_cancel.load(); }
    // Valid once the thread has finished.
    TGatherResult Result() const { return m_result; }

protected:
    // Hands the walk to the thread this object lives in and waits until it has returned.
    void run() override;

private:
    void Walk();

    const QStringList m_masks;
    const bool m_rootOnly;
    const TGatherHooks m_hooks;
    std::atomic<bool> m_cancel{false};
    TGatherResult m_result;
};

// Starts a gatherer and waits in a local event loop until it has finished, then frees it
// (the command-line companion and tests). Call it from the thread that should do the walk.
TGatherResult GatherWithThread(const QStringList &masks, bool rootOnly,
                               const TGatherHooks &hooks = {});
