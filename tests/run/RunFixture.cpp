#include "RunFixture.h"

#include "support/TestImages.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

void RunTest::SetUp()
{
    ASSERT_TRUE(sandbox.isValid());
    QDir(sandbox.path()).mkpath(QStringLiteral("src"));
    QDir(sandbox.path()).mkpath(QStringLiteral("out"));
    ListCnvJob().Clear();
    ListCnvJob().SetCurrent(ListCnvJob().Add(QStringLiteral("Untitled")));
    job().TargetExt = QStringLiteral("PNG");
    job().UseDestDir = 1;
    job().DestDir = sandbox.filePath(QStringLiteral("out"));
    job().SizeAsIs = 1;
    job().OrientAsIs = 1;
    job().MultiPages = 0;
    FavorList().Clear();
    PendingFavorList().clear();
}

void RunTest::TearDown()
{
    FavorList().Clear();
    ListCnvJob().Clear();
}

QString RunTest::source(const QString &name) const
{
    return sandbox.filePath(QStringLiteral("src/") + name);
}

QString RunTest::output(const QString &name) const
{
    return sandbox.filePath(QStringLiteral("out/") + name);
}

void RunTest::addEntry(const QString &name)
{
    TFavorCell cell;
    cell.Name = name;
    cell.Folder = sandbox.filePath(QStringLiteral("src")) + QLatin1Char('/');
    cell.Size = QFileInfo(source(name)).size();
    ASSERT_TRUE(FavorList().Append(cell)) << name.toStdString();
}

void RunTest::addImage(const QString &name, int width, int height, const QString &pattern)
{
    const QString ext = QFileInfo(name).suffix().toLower();
    WriteFileBytes(source(name), MakeImageBytes(pattern, width, height, ext));
    addEntry(name);
}

void RunTest::addFile(const QString &name, const QByteArray &bytes)
{
    WriteFileBytes(source(name), bytes);
    addEntry(name);
}

void RunTest::runHere(const QString &multipagePath, int filesAtOnce)
{
    TThreadConvert here(rows, display, RunSettingsFor(job()));
    run = &here;
    here.SetMultipagePath(multipagePath);
    here.SetFilesAtOnce(filesAtOnce);
    here.SetAlsoConvert(alsoConvert);
    here.Execute();
    escapedError = here.EscapedError();
    run = nullptr;
}

bool RunTest::runThreaded(const QString &multipagePath, int filesAtOnce)
{
    auto *thread = new TThreadConvert(rows, display, RunSettingsFor(job()));
    const QPointer<TThreadConvert> watch(thread);
    run = thread;
    thread->SetMultipagePath(multipagePath);
    thread->SetFilesAtOnce(filesAtOnce);
    bool completed = false;
    QEventLoop loop;
    thread->Launch([&](TThreadConvert &ended) {
        completed = true;
        escapedError = ended.EscapedError();
        run = nullptr;
        loop.quit();
    });
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    // The run frees itself once its completion has returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
    return completed;
}

QList<quint8> RunTest::statuses() const
{
    QList<quint8> result;
    for (int row = 0; row < rows.Count(); ++row)
        result.append(rows.Row(row).Status);
    return result;
}

QStringList RunTest::outputFiles() const
{
    QStringList files = QDir(sandbox.filePath(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
    files.sort();
    return files;
}
