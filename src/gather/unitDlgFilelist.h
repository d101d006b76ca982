#pragma once

// The searching dialog: shown modally while the file gatherer walks the pending items,
// with one button that cancels the walk. Created once and reused for every gathering.

#include "gather/unitThreadFilelist.h"
#include "project/unitSourcesModel.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

#include <functional>

class QEventLoop;
class QLabel;
class QPushButton;

class TformDlgFilelist : public QDialog
{
    Q_OBJECT

public:
    explicit TformDlgFilelist(QWidget *parent = nullptr);
    ~TformDlgFilelist() override;

    // Walks PendingFavorList into FavorList on the calling (user-interface) thread while
    // the dialog is shown modally; returns once the walk has returned and the dialog is
    // hidden. A call made while a walk is running returns at once with an error.
    TGatherResult Gather(const QStringList &masks, bool rootOnly);

    bool IsGathering() const { return m_gatherer != nullptr; }
    QPushButton *CancelButton() const { return m_cancel; }
    QLabel *WaitLabel() const { return m_label; }

    // Called on every message dispatch of the walk, before the messages are handled:
    // a seam for tests that act on the dialog while the walk runs.
    void SetDispatchObserver(std::function<void()> observer) { m_observer = std::move(observer); }

public slots:
    // Cancel, Escape and the close box: the walk stops at its next entry; the dialog
    // stays until the walk has returned.
    void reject() override;

private:
    void DispatchOne();
    void DispatchAll();
    void WalkFinished();

    QLabel *m_label;
    QPushButton *m_cancel;
    TThreadFilelist *m_gatherer = nullptr;
    bool m_walkDone = false;
    QElapsedTimer m_sinceDispatch;
    QEventLoop *m_rest = nullptr;
    std::function<void()> m_observer;
};

// The gather call of the add command: runs the dialog's gathering and turns a failure
// of the walk into a TError, so that it reaches the user instead of passing silently.
// Folders that could not be listed are named in a warning made from `unlistedText`
// (MSG_FOLDER_NOT_LISTED of the current language, the built-in English when empty); what
// was found is kept.
TGatherCall GatherCallFor(TformDlgFilelist &dialog, QStringList masks, bool rootOnly,
                          QString unlistedText = QString());
