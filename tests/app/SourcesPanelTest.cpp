// The sources area as the user drives it: the view, its header, the commands and their
// questions, sync mode, over real files gathered by the real gatherer.

#include "app/unitSourcesPanel.h"
#include "gather/unitThreadFilelist.h"
#include "project/unitFavor.h"
#include "support/ScriptedPrompt.h"
#include "support/TestSupport.h"
#include "ui/unitSkins.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class SourcesPanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        FavorList().Clear();
        PendingFavorList().clear();
        panel = std::make_unique<TSourcesPanel>();
        panel->resize(800, 300);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    }

    void TearDown() override
    {
        panel.reset();
        FavorList().Clear();
    }

    // Files of the given sizes in a folder of the sandbox; returns the folder.
    QString folderWith(const QString &name, const QList<int> &sizes)
    {
        const QString folder = sandbox.filePath(name);
        QDir().mkpath(folder);
        for (int i = 0; i < sizes.size(); ++i)
            WriteFileBytes(folder + QStringLiteral("/f%1.png").arg(i), QByteArray(sizes.at(i), 'x'));
        return folder;
    }

    int add(const QStringList &paths)
    {
        return panel->AddSources(paths, [] { GatherPending({}, false, std::atomic<bool>(false), {}); });
    }

    QString countText() const { return panel->findChild<QLabel *>(QStringLiteral("sLabel7"))->text(); }
    QHeaderView *header() const { return panel->View()->header(); }

    void clickHeader(int column, Qt::MouseButton button = Qt::LeftButton)
    {
        const int x = header()->sectionViewportPosition(column) + header()->sectionSize(column) / 2;
        QTest::mouseClick(header()->viewport(), button, Qt::NoModifier, QPoint(x, 9));
    }

    QStringList names() const
    {
        QStringList result;
        for (int row = 0; row < panel->Model().Count(); ++row)
            result.append(panel->Model().Row(row).Name);
        return result;
    }

    QTemporaryDir sandbox;
    std::unique_ptr<TSourcesPanel> panel;
};

TEST_F(SourcesPanel, TheViewHasItsHeaderColumnsAndObjectNames)
{
    EXPECT_EQ(header()->height(), 18);
    EXPECT_TRUE(header()->sectionsMovable());
    EXPECT_EQ(header()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(header()->sectionSize(0), 150);
    EXPECT_EQ(header()->sectionSize(4), 350);
    EXPECT_EQ(panel->View()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(panel->View()->selectionMode(), QAbstractItemView::ExtendedSelection);
    for (const char *name : {"sToolBar2", "sLabel5", "sLabel7", "XPTree", "ToolButton19", "ToolButton20",
                             "ToolButton22", "ToolButton24", "PopupMenu6", "PopupMenu7", "PopupMenu8"})
        EXPECT_NE(panel->findChild<QObject *>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(panel->ContextMenu()->actions().size(), 14);
    EXPECT_EQ(countText(), QStringLiteral("0"));
}

TEST_F(SourcesPanel, RowsShowTheColourOfTheirStatus)
{
    add({folderWith(QStringLiteral("c"), {1, 2, 3})});
    panel->Model().SetRowResult(1, 1, QStringLiteral("bad"));
    panel->Model().SetRowResult(2, 2, QString());
    auto colour = [this](int row) {
        return panel->Model().index(row, 3).data(Qt::BackgroundRole).value<QColor>();
    };
    EXPECT_EQ(colour(0), QApplication::palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(colour(1), QColor(255, 0, 0));
    EXPECT_EQ(colour(2), QColor(192, 220, 192));
}

// WCAG's contrast ratio of two colours.
double Contrast(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

TEST_F(SourcesPanel, RowTextReadsOnItsColourInEveryBuiltInSkin)
{
    add({folderWith(QStringLiteral("c"), {1, 2, 3})});
    panel->Model().SetRowResult(1, 1, QStringLiteral("bad"));
    panel->Model().SetRowResult(2, 2, QString());
    for (const QString &skin : BuiltInSkinNames()) {
        ASSERT_TRUE(ApplySkin(skin));
        for (int row = 0; row < 3; ++row) {
            const QModelIndex cell = panel->Model().index(row, 0);
            const QColor back = cell.data(Qt::BackgroundRole).value<QColor>();
            const QColor text = cell.data(Qt::ForegroundRole).value<QColor>();
            EXPECT_GE(Contrast(back, text), 4.5) << skin.toStdString() << " row " << row << ": "
                                                 << back.name().toStdString() << " on " << text.name().toStdString();
        }
    }
    ApplySkin(StartSkinName());
}

TEST_F(SourcesPanel, AddingGathersRealFilesAndADuplicateAddWarns)
{
    TScriptedPrompt prompt;
    const QString folder = folderWith(QStringLiteral("a"), {5, 1, 3});
    EXPECT_EQ(add({folder}), 3);
    EXPECT_EQ(countText(), QStringLiteral("3"));
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_TRUE(panel->Action("ACTION_FAVOR_CLEAR")->isEnabled());
    panel->Model().SetRowResult(0, 2, QString());
    EXPECT_EQ(add({folder, folder + QStringLiteral("/f1.png")}), 0);
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("Not found files or duplicate")});
    EXPECT_EQ(panel->Model().Row(0).Status, 0);
    EXPECT_EQ(countText(), QStringLiteral("3"));
}

TEST_F(SourcesPanel, ALeftHeaderClickSortsAndFlipsARightClickDoesNothing)
{
    add({folderWith(QStringLiteral("h"), {30, 10, 20})});
    const QStringList added = names();
    clickHeader(1, Qt::RightButton);
    EXPECT_EQ(names(), added);
    EXPECT_EQ(panel->Model().SortColumn(), TSourcesModel::NoSortColumn);

    clickHeader(1);
    EXPECT_EQ(panel->Model().SortColumn(), 1);
    EXPECT_EQ(panel->Model().Row(0).Size, 10);
    EXPECT_TRUE(panel->Action("ACTION_SORTF_SIZE")->isChecked());
    EXPECT_EQ(header()->sortIndicatorSection(), 1);
    clickHeader(1);
    EXPECT_EQ(panel->Model().SortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(panel->Model().Row(0).Size, 30);
    EXPECT_EQ(header()->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(SourcesPanel, TheSameSortCommandTwiceSortsOneWayThenTheOther)
{
    add({folderWith(QStringLiteral("s"), {2, 9, 4})});
    QAction *bySize = panel->Action("ACTION_SORTF_SIZE");
    bySize->trigger();
    const qint64 first = panel->Model().Row(0).Size;
    bySize->trigger();
    EXPECT_NE(panel->Model().Row(0).Size, first);
    EXPECT_TRUE(bySize->isChecked());
    // Another command keeps flipping the direction.
    const Qt::SortOrder before = panel->Model().SortOrder();
    panel->Action("ACTION_SORTF_NAME")->trigger();
    EXPECT_NE(panel->Model().SortOrder(), before);
    EXPECT_TRUE(panel->Action("ACTION_SORTF_NAME")->isChecked());
    EXPECT_FALSE(bySize->isChecked());
}

TEST_F(SourcesPanel, SyncModeMirrorsTheUsersSortsAndLocksThePathColumn)
{
    add({folderWith(QStringLiteral("y"), {3, 1, 2})});
    panel->SetFileListSort([] { return TSourcesPanel::TSortState{1, Qt::DescendingOrder}; });
    QList<TSourcesPanel::TSortState> mirrored;
    QObject::connect(panel.get(), &TSourcesPanel::sortMirrored,
                     [&](int column, Qt::SortOrder order) { mirrored.append({column, order}); });
    panel->SyncAction()->trigger();
    ASSERT_TRUE(panel->SyncMode());
    // Turning it on takes the file list's sort over, without sending it back.
    EXPECT_EQ(panel->Model().SortColumn(), 1);
    EXPECT_EQ(panel->Model().SortOrder(), Qt::DescendingOrder);
    EXPECT_TRUE(mirrored.isEmpty());
    EXPECT_FALSE(panel->Action("ACTION_SORTF_PATH")->isEnabled());

    clickHeader(4);
    EXPECT_EQ(panel->Model().SortColumn(), 1);
    clickHeader(0);
    ASSERT_EQ(mirrored.size(), 1);
    EXPECT_EQ(mirrored.first(), (TSourcesPanel::TSortState{0, Qt::AscendingOrder}));
    panel->ApplySortFromFileList(3, Qt::AscendingOrder);
    EXPECT_EQ(mirrored.size(), 1);
    EXPECT_EQ(panel->Model().SortColumn(), 3);

    panel->SyncAction()->trigger();
    EXPECT_TRUE(panel->Action("ACTION_SORTF_PATH")->isEnabled());
    clickHeader(4);
    EXPECT_EQ(panel->Model().SortColumn(), 4);
    EXPECT_EQ(mirrored.size(), 1);
}

TEST_F(SourcesPanel, DeleteAsksFirstAndRemovesTheSelectedFiles)
{
    TScriptedPrompt prompt;
    add({folderWith(QStringLiteral("d"), {1, 2, 3, 4})});
    QAction *remove = panel->Action("ACTION_FAVOR_DEL");
    EXPECT_FALSE(remove->isEnabled());
    remove->trigger();
    EXPECT_TRUE(prompt.questions.isEmpty());

    panel->View()->selectionModel()->select(panel->Model().index(1, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    panel->View()->selectionModel()->select(panel->Model().index(3, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(panel->findChild<QToolButton *>(QStringLiteral("ToolButton22"))->isEnabled());
    const QString kept0 = panel->Model().Row(0).Name, kept2 = panel->Model().Row(2).Name;
    prompt.answers = {TAnswer::No, TAnswer::Yes};
    remove->trigger();
    EXPECT_EQ(panel->Model().Count(), 4);
    remove->trigger();
    EXPECT_EQ(prompt.questions, (QStringList{QStringLiteral("Delete selection?"), QStringLiteral("Delete selection?")}));
    EXPECT_EQ(names(), (QStringList{kept0, kept2}));
    EXPECT_EQ(FavorList().Count(), 2);
    EXPECT_EQ(countText(), QStringLiteral("2"));
}

TEST_F(SourcesPanel, ClearAsksOnlyWhenThereAreRows)
{
    TScriptedPrompt prompt;
    panel->Action("ACTION_FAVOR_CLEAR")->trigger();
    EXPECT_TRUE(prompt.questions.isEmpty());
    add({folderWith(QStringLiteral("e"), {1, 2})});
    prompt.answers = {TAnswer::No};
    EXPECT_FALSE(panel->ClearForProject());
    EXPECT_EQ(FavorList().Count(), 2);
    prompt.answers = {TAnswer::Yes};
    panel->Action("ACTION_FAVOR_CLEAR")->trigger();
    EXPECT_EQ(FavorList().Count(), 0);
    EXPECT_EQ(panel->Model().Count(), 0);
    EXPECT_EQ(countText(), QStringLiteral("0"));
    EXPECT_FALSE(panel->Action("ACTION_FAVOR_CLEAR")->isEnabled());
}

TEST_F(SourcesPanel, SelectCommandsWorkOnEveryRow)
{
    add({folderWith(QStringLiteral("x"), {1, 2, 3})});
    panel->Action("ACTION_SELECTF_ALL")->trigger();
    EXPECT_EQ(panel->View()->SelectedRows(), (QList<int>{0, 1, 2}));
    panel->Action("ACTION_SELECTF_NONE")->trigger();
    EXPECT_TRUE(panel->View()->SelectedRows().isEmpty());
    panel->View()->selectionModel()->select(panel->Model().index(1, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    panel->Action("ACTION_SELECTF_INVERT")->trigger();
    EXPECT_EQ(panel->View()->SelectedRows(), (QList<int>{0, 2}));
}

TEST_F(SourcesPanel, WhileBusyNothingChangesTheRows)
{
    TScriptedPrompt prompt;
    add({folderWith(QStringLiteral("b"), {3, 1, 2})});
    const QStringList before = names();
    panel->SetBusy(true);
    EXPECT_FALSE(panel->ToolBar()->isEnabled());
    panel->Action("ACTION_FAVOR_CLEAR")->trigger();
    panel->Action("ACTION_SORTF_SIZE")->trigger();
    clickHeader(1);
    EXPECT_EQ(names(), before);
    EXPECT_EQ(FavorList().Count(), 3);
    EXPECT_TRUE(prompt.questions.isEmpty());
    panel->SetBusy(false);
    EXPECT_TRUE(panel->ToolBar()->isEnabled());
    clickHeader(1);
    EXPECT_NE(names(), before);
}

TEST_F(SourcesPanel, TheConvertCommandFollowsTheRows)
{
    QAction convert;
    panel->SetConvertAction(&convert);
    panel->RefreshEnablement();
    EXPECT_FALSE(convert.isEnabled());
    add({folderWith(QStringLiteral("v"), {1})});
    EXPECT_TRUE(convert.isEnabled());

    // Busy (a run or a gathering): convert, clear and delete stay off, also when the
    // selection changes meanwhile.
    panel->SetBusy(true);
    EXPECT_FALSE(convert.isEnabled());
    panel->View()->selectAll();
    EXPECT_FALSE(convert.isEnabled());
    EXPECT_FALSE(panel->Action("ACTION_FAVOR_DEL")->isEnabled());
    EXPECT_FALSE(panel->Action("ACTION_FAVOR_CLEAR")->isEnabled());
    panel->SetBusy(false);
    EXPECT_TRUE(convert.isEnabled());
    EXPECT_TRUE(panel->Action("ACTION_FAVOR_DEL")->isEnabled());
}

} // namespace
