// The searching dialog over real folder trees: the modal walk on the interface thread,
// cancelling by button, Escape and close box while the walk runs, reuse, failures and
// the gather call of the add command.

#include "gather/unitDlgFilelist.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitSourcesModel.h"

#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QStringList kShowAll{QStringLiteral("*.*")};

class SearchingDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sandbox.isValid());
        FavorList().Clear();
        PendingFavorList().clear();
    }

    void TearDown() override
    {
        FavorList().Clear();
        PendingFavorList().clear();
    }

    QString MakeFile(const QString &relative)
    {
        const QString path = m_sandbox.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
        file.write("pixels");
        return path;
    }

    // count files spread over a folder and two subfolders.
    QString MakeLongTree(const QString &relative, int count)
    {
        for (int i = 0; i < count; ++i) {
            const QString sub = i % 3 == 0 ? QString() : QStringLiteral("sub%1/").arg(i % 3);
            MakeFile(QStringLiteral("%1/%2img%3.jpg").arg(relative, sub).arg(i, 5, 10, QLatin1Char('0')));
        }
        return Path(relative);
    }

    QString Path(const QString &relative) const { return m_sandbox.filePath(relative); }

    static void Select(const QStringList &paths)
    {
        PendingFavorList().clear();
        for (const QString &path : paths)
            PendingFavorList().append(PendingEntryFor(path));
    }

    QStringList Gathered() const
    {
        QStringList keys;
        const QString prefix = m_sandbox.path() + QLatin1Char('/');
        for (const TFavorCell &cell : FavorList().Cells())
            keys.append(EntryKey(cell).mid(prefix.size()));
        return keys;
    }

    QTemporaryDir m_sandbox;
    TformDlgFilelist m_dialog;
};

TEST_F(SearchingDialogTest, IsASmallToolWindowWithFixedTexts)
{
    EXPECT_EQ(m_dialog.objectName(), QLatin1String("formDlgFilelist"));
    EXPECT_EQ(m_dialog.windowTitle(), QLatin1String("Searching"));
    EXPECT_EQ(m_dialog.windowType(), Qt::Tool);
    EXPECT_FALSE(m_dialog.isVisible());

    ASSERT_NE(m_dialog.WaitLabel(), nullptr);
    EXPECT_EQ(m_dialog.WaitLabel()->text(), QLatin1String("Please, wait ..."));
    EXPECT_TRUE(m_dialog.WaitLabel()->font().bold());
    EXPECT_TRUE(m_dialog.WaitLabel()->alignment() & Qt::AlignHCenter);

    const QList<QPushButton *> buttons = m_dialog.findChildren<QPushButton *>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons.first()->text(), QLatin1String("Cancel"));
    EXPECT_EQ(buttons.first(), m_dialog.CancelButton());

    m_dialog.adjustSize();
    EXPECT_LT(m_dialog.sizeHint().width(), 400);
    EXPECT_LT(m_dialog.sizeHint().height(), 200);
}

TEST_F(SearchingDialogTest, GathersOnTheInterfaceThreadWhileShownModally)
{
    MakeFile(QStringLiteral("photos/a.jpg"));
    MakeFile(QStringLiteral("photos/README"));
    MakeFile(QStringLiteral("photos/deep/b.png"));
    MakeFile(QStringLiteral("photos/.hidden/c.jpg"));
    Select({Path(QStringLiteral("photos"))});

    int dispatches = 0;
    bool alwaysOnInterfaceThread = true;
    bool shownModally = true;
    m_dialog.SetDispatchObserver([&] {
        ++dispatches;
        alwaysOnInterfaceThread &= QThread::currentThread() == qApp->thread();
        shownModally &= m_dialog.isVisible() && QApplication::activeModalWidget() == &m_dialog;
    });

    const TGatherResult result = m_dialog.Gather(kShowAll, false);

    EXPECT_EQ(result.Added, 2);
    EXPECT_FALSE(result.Cancelled);
    EXPECT_TRUE(result.Error.isEmpty()) << qPrintable(result.Error);
    EXPECT_EQ(Gathered(), (QStringList{QStringLiteral("photos/a.jpg"), QStringLiteral("photos/deep/b.png")}));
    EXPECT_GT(dispatches, 0);
    EXPECT_TRUE(alwaysOnInterfaceThread);
    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_FALSE(m_dialog.IsGathering());
}

TEST_F(SearchingDialogTest, RootOnlyAndMasksReachTheWalk)
{
    MakeFile(QStringLiteral("p/a.jpeg"));
    MakeFile(QStringLiteral("p/b.PNG"));
    MakeFile(QStringLiteral("p/c.gif"));
    MakeFile(QStringLiteral("p/sub/d.png"));
    Select({Path(QStringLiteral("p"))});

    const TGatherResult result =
        m_dialog.Gather({QStringLiteral("*.JPEG"), QStringLiteral("*.PNG")}, true);

    EXPECT_EQ(result.Added, 2);
    QStringList names = Gathered();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("p/a.jpeg"), QStringLiteral("p/b.PNG")}));
}

TEST_F(SearchingDialogTest, CancelButtonStopsALongWalkAndTheDialogWaitsForIt)
{
    const int total = 3000;
    Select({MakeLongTree(QStringLiteral("long"), total)});

    int dispatches = 0;
    int countAtCancel = -1;
    bool visibleAfterCancel = false;
    bool cancelDisabled = false;
    m_dialog.SetDispatchObserver([&] {
        ++dispatches;
        if (countAtCancel >= 0) {
            // Dispatches after the press: the walk is still unwinding.
            visibleAfterCancel |= m_dialog.isVisible();
            return;
        }
        if (FavorList().Count() >= 200) {
            countAtCancel = FavorList().Count();
            QTest::mouseClick(m_dialog.CancelButton(), Qt::LeftButton);
            cancelDisabled = !m_dialog.CancelButton()->isEnabled();
            // Asked to close, but the walk has not returned yet.
            visibleAfterCancel = m_dialog.isVisible();
        }
    });

    const TGatherResult result = m_dialog.Gather(kShowAll, false);

    ASSERT_GE(countAtCancel, 200);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_TRUE(result.Error.isEmpty());
    EXPECT_LT(result.Added, total);
    EXPECT_EQ(FavorList().Count(), countAtCancel) << "files were added after Cancel";
    EXPECT_EQ(result.Added, countAtCancel);
    EXPECT_TRUE(visibleAfterCancel);
    EXPECT_TRUE(cancelDisabled);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_FALSE(m_dialog.IsGathering());
}

TEST_F(SearchingDialogTest, EscapeFromTheMessageQueueCancelsTheSameWay)
{
    const int total = 3000;
    Select({MakeLongTree(QStringLiteral("long"), total)});

    bool armed = false;
    int countAtEscape = -1;
    bool visibleAfterEscape = false;
    m_dialog.SetDispatchObserver([&] {
        if (armed && countAtEscape < 0)
            QThread::msleep(1); // a slow disk: the walk soon looks at its messages again
        if (armed || FavorList().Count() < 100)
            return;
        armed = true;
        // A key press that waits in the queue until the walk next dispatches messages.
        QTimer::singleShot(0, &m_dialog, [&] {
            countAtEscape = FavorList().Count();
            QTest::keyClick(&m_dialog, Qt::Key_Escape);
            // The walk has not returned yet: the dialog stays.
            visibleAfterEscape = m_dialog.isVisible() && m_dialog.IsGathering();
        });
    });

    const TGatherResult result = m_dialog.Gather(kShowAll, false);

    ASSERT_GE(countAtEscape, 100);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_LT(result.Added, total);
    EXPECT_EQ(FavorList().Count(), countAtEscape);
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(SearchingDialogTest, CloseBoxCancelsButTheDialogStaysUntilTheWalkReturns)
{
    Select({MakeLongTree(QStringLiteral("long"), 600)});

    bool closed = false;
    bool refusedToClose = false;
    m_dialog.SetDispatchObserver([&] {
        if (closed || FavorList().Count() < 50)
            return;
        closed = true;
        refusedToClose = !m_dialog.close() && m_dialog.isVisible();
    });

    const TGatherResult result = m_dialog.Gather(kShowAll, false);

    EXPECT_TRUE(closed);
    EXPECT_TRUE(refusedToClose);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_LT(result.Added, 600);
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(SearchingDialogTest, IsReusedForTheNextGatheringAfterACancel)
{
    Select({MakeLongTree(QStringLiteral("long"), 600)});
    m_dialog.SetDispatchObserver([&] {
        if (FavorList().Count() == 10)
            m_dialog.CancelButton()->click();
    });
    const TGatherResult first = m_dialog.Gather(kShowAll, false);
    EXPECT_TRUE(first.Cancelled);
    EXPECT_EQ(first.Added, 10);

    m_dialog.SetDispatchObserver(nullptr);
    MakeFile(QStringLiteral("other/x.png"));
    Select({Path(QStringLiteral("other")), Path(QStringLiteral("long"))});
    const TGatherResult second = m_dialog.Gather(kShowAll, false);

    EXPECT_FALSE(second.Cancelled);
    EXPECT_EQ(second.Added, 1 + 600 - 10);
    EXPECT_EQ(FavorList().Count(), 601);
    EXPECT_TRUE(m_dialog.CancelButton()->isEnabled());
    EXPECT_FALSE(m_dialog.isVisible());

    // The same selection once more finds only duplicates.
    const TGatherResult third = m_dialog.Gather(kShowAll, false);
    EXPECT_EQ(third.Added, 0);
    EXPECT_FALSE(third.Cancelled);
    EXPECT_EQ(FavorList().Count(), 601);
}

TEST_F(SearchingDialogTest, ClosedFromOutsideItStillWaitsForTheWalk)
{
    Select({MakeLongTree(QStringLiteral("long"), 300)});
    bool closed = false;
    m_dialog.SetDispatchObserver([&] {
        if (closed || FavorList().Count() < 20)
            return;
        closed = true;
        m_dialog.accept();
    });

    const TGatherResult result = m_dialog.Gather(kShowAll, false);

    EXPECT_TRUE(closed);
    EXPECT_FALSE(m_dialog.IsGathering());
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(result.Added, FavorList().Count());
    EXPECT_GE(result.Added, 20);

    // And it serves the next gathering as before.
    m_dialog.SetDispatchObserver(nullptr);
    FavorList().Clear();
    EXPECT_EQ(m_dialog.Gather(kShowAll, false).Added, 300);
}

TEST_F(SearchingDialogTest, ASecondGatheringDuringAWalkIsRefused)
{
    MakeFile(QStringLiteral("p/a.jpg"));
    MakeFile(QStringLiteral("p/b.jpg"));
    Select({Path(QStringLiteral("p"))});
    TGatherResult nested;
    bool tried = false;
    m_dialog.SetDispatchObserver([&] {
        if (tried)
            return;
        tried = true;
        nested = m_dialog.Gather(kShowAll, false);
    });

    const TGatherResult result = m_dialog.Gather(kShowAll, false);

    EXPECT_TRUE(tried);
    EXPECT_FALSE(nested.Error.isEmpty());
    EXPECT_EQ(nested.Added, 0);
    EXPECT_EQ(result.Added, 2);
    EXPECT_EQ(FavorList().Count(), 2);
}

TEST_F(SearchingDialogTest, AVanishedSelectedFileEndsTheWalkAndTheDialogCloses)
{
    const QString kept = MakeFile(QStringLiteral("p/a.jpg"));
    const QString gone = MakeFile(QStringLiteral("p/gone.jpg"));
    const QString after = MakeFile(QStringLiteral("q/b.jpg"));
    Select({kept, gone, after});
    ASSERT_TRUE(QFile::remove(gone));

    const TGatherResult result = m_dialog.Gather(kShowAll, false);

    EXPECT_EQ(result.Added, 1);
    EXPECT_TRUE(result.Error.contains(gone)) << qPrintable(result.Error);
    EXPECT_EQ(Gathered(), QStringList{QStringLiteral("p/a.jpg")});
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_FALSE(m_dialog.IsGathering());
}

TEST_F(SearchingDialogTest, TheAddCommandGathersThroughTheDialog)
{
    TScriptedPrompt prompt;
    TSourcesModel model;
    MakeFile(QStringLiteral("p/a.jpg"));
    MakeFile(QStringLiteral("p/sub/b.jpg"));
    MakeFile(QStringLiteral("p/c.txt"));

    const int added = AddToSources(model, {Path(QStringLiteral("p"))},
                                   GatherCallFor(m_dialog, {QStringLiteral("*.jpg")}, false));

    EXPECT_EQ(added, 2);
    EXPECT_EQ(model.Count(), 2);
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_TRUE(PendingFavorList().isEmpty());

    // Root-only: the subfolder's file is not offered; the rest are duplicates.
    EXPECT_EQ(AddToSources(model, {Path(QStringLiteral("p"))},
                           GatherCallFor(m_dialog, {QStringLiteral("*.jpg")}, true)),
              0);
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("Not found files or duplicate")});
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(SearchingDialogTest, AFailedWalkReachesTheAddCommandAsAnError)
{
    TScriptedPrompt prompt;
    TSourcesModel model;
    const QString kept = MakeFile(QStringLiteral("p/a.jpg"));
    const QString gone = Path(QStringLiteral("p/vanished.jpg"));

    try {
        AddToSources(model, {kept, gone}, GatherCallFor(m_dialog, kShowAll, false));
        FAIL() << "the failure of the walk was not reported";
    } catch (const TError &error) {
        EXPECT_TRUE(error.text().contains(gone)) << qPrintable(error.text());
    }
    // What came before the failure stays and is shown.
    EXPECT_EQ(FavorList().Count(), 1);
    EXPECT_EQ(model.Count(), 1);
    EXPECT_TRUE(PendingFavorList().isEmpty());
    EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(SearchingDialogTest, ACancelledAddIsNoError)
{
    TScriptedPrompt prompt;
    TSourcesModel model;
    const QString folder = MakeLongTree(QStringLiteral("long"), 300);
    m_dialog.SetDispatchObserver([&] {
        if (FavorList().Count() == 5)
            QTest::keyClick(&m_dialog, Qt::Key_Escape);
    });

    const int added = AddToSources(model, {folder}, GatherCallFor(m_dialog, kShowAll, false));

    EXPECT_EQ(added, 5);
    EXPECT_EQ(model.Count(), 5);
    EXPECT_TRUE(prompt.warnings.isEmpty());
}

} // namespace
