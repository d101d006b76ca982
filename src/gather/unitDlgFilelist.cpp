#include "gather/unitDlgFilelist.h"

#include "i18n/unitDclLang.h"
#include "project/unitGeneral.h"
#include "project/unitPrompt.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

// A walk over a large tree meets an entry every few microseconds; asking the window
// system for messages that often would cost more than the walk. Handling them at this
// interval keeps the dialog responsive all the same.
constexpr qint64 kDispatchIntervalMs = 5;

} // namespace

TformDlgFilelist::TformDlgFilelist(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_label(new QLabel(QStringLiteral("Please, wait ..."), this))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("formDlgFilelist"));
    setWindowTitle(QStringLiteral("Searching"));
    setModal(true);

    m_label->setObjectName(QStringLiteral("lbWait"));
    m_label->setAlignment(Qt::AlignCenter);
    QFont bold = m_label->font();
    bold.setBold(true);
    m_label->setFont(bold);
    m_label->setMinimumWidth(220);

    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &TformDlgFilelist::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(14);
    layout->addWidget(m_label);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TformDlgFilelist::~TformDlgFilelist() = default;

TGatherResult TformDlgFilelist::Gather(const QStringList &masks, bool rootOnly)
{
    if (m_gatherer) {
        TGatherResult busy;
        busy.Error = QStringLiteral("A search is already running");
        return busy;
    }

    m_walkDone = false;
    m_sinceDispatch.start();
    m_cancel->setEnabled(true);
    TGatherHooks hooks;
    hooks.DispatchOne = [this] { DispatchOne(); };
    hooks.DispatchAll = [this] { DispatchAll(); };
    const auto gatherer = std::make_unique<TThreadFilelist>(masks, rootOnly, hooks);
    m_gatherer = gatherer.get();
    connect(m_gatherer, &QThread::finished, this, &TformDlgFilelist::WalkFinished);
    m_gatherer->start();

    // The walk is a queued call: it runs inside this modal loop and the loop ends when
    // the gatherer has finished.
    if (!m_walkDone)
        exec();
    // Something else ended the loop (the application quitting, a window closing all
    // others): the worker waits for this thread, so keep handling messages until it
    // has finished, and let the walk end soon.
    if (!m_walkDone) {
        m_gatherer->Cancel();
        QEventLoop rest;
        m_rest = &rest;
        rest.exec();
        m_rest = nullptr;
    }
    m_gatherer->wait();
    const TGatherResult result = m_gatherer->Result();
    m_gatherer = nullptr;
    return result;
}

void TformDlgFilelist::reject()
{
    if (m_gatherer && !m_walkDone) {
        m_gatherer->Cancel();
        m_cancel->setEnabled(false);
        return;
    }
    QDialog::reject();
}

void TformDlgFilelist::DispatchOne()
{
    if (m_observer)
        m_observer();
    if (m_sinceDispatch.elapsed() < kDispatchIntervalMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 0);
    m_sinceDispatch.restart();
}

void TformDlgFilelist::DispatchAll()
{
    if (m_observer)
        m_observer();
    if (m_sinceDispatch.elapsed() < kDispatchIntervalMs)
        return;
    QCoreApplication::processEvents();
    m_sinceDispatch.restart();
}

void TformDlgFilelist::WalkFinished()
{
    m_walkDone = true;
    if (m_rest)
        m_rest->quit();
    QDialog::done(m_gatherer && m_gatherer->IsCancelled() ? QDialog::Rejected : QDialog::Accepted);
}

TGatherCall GatherCallFor(TformDlgFilelist &dialog, QStringList masks, bool rootOnly,
                          QString unlistedText)
{
    return [&dialog, masks = std::move(masks), rootOnly, unlistedText = std::move(unlistedText)] {
        const TGatherResult result = dialog.Gather(masks, rootOnly);
        if (!result.Unlisted.isEmpty())
            Prompt().warning(UnlistedFoldersText(
                result, unlistedText.isEmpty() ? QString::fromUtf8(BuiltInString("MSG_FOLDER_NOT_LISTED"))
                                               : unlistedText));
        if (!result.Error.isEmpty())
            throw TError(result.Error);
    };
}
