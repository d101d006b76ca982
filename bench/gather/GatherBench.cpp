// Gathering 20,000 files into a sources list that already holds 20,000 entries, against
// merely listing the same folders with QDirIterator and reading each file's size and
// modification time. Prints both times (best of the rounds) and their ratio; exits 1 when
// the ratio exceeds 1.5.
//   pictavo-gather-bench [ROUNDS [FOLDER]]
// FOLDER, when given, holds the two trees and keeps them for the next run (to profile the
// walk alone, or to measure on another file system); by default they go to a temporary folder.

#include "gather/unitThreadFilelist.h"
#include "project/unitFavor.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>

namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 1000;
constexpr double kTarget = 1.5;

bool MakeTree(const QString &root)
{
    if (QFileInfo::exists(root + QStringLiteral(".done")))
        return true;
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = root + QStringLiteral("/folder%1").arg(f, 2, 10, QLatin1Char('0'));
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < kFilesPerFolder; ++i) {
            QFile file(folder + QStringLiteral("/photo_%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
            if (!file.open(QIODevice::WriteOnly) || file.write("pictavo", 7) != 7)
                return false;
        }
    }
    QFile done(root + QStringLiteral(".done"));
    return done.open(QIODevice::WriteOnly);
}

int Gather(const QString &root)
{
    PendingFavorList() = {PendingEntryFor(root)};
    const std::atomic<bool> cancel{false};
    const TGatherResult result =
        GatherPending(GatherMasks(false, {}), false, cancel, TGatherHooks());
    PendingFavorList().clear();
    return result.Added;
}

// What the walk has to do at the least: every entry listed, every file's size and time read.
int List(const QString &root, qint64 &checksum)
{
    int files = 0;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!info.isFile())
            continue;
        // The time as QFileInfo gives it (local); anything more would tax the listing.
        checksum += info.size() + (info.lastModified().isValid() ? 1 : 0);
        ++files;
    }
    return files;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 9;

    QTemporaryDir sandbox;
    const QString home = argc > 2 ? QString::fromLocal8Bit(argv[2]) : sandbox.path();
    const QString treeA = home + QStringLiteral("/A");
    const QString treeB = home + QStringLiteral("/B");
    if (!sandbox.isValid() || !MakeTree(treeA) || !MakeTree(treeB)) {
        std::fprintf(stderr, "cannot make the trees in %s\n", qPrintable(home));
        return 2;
    }
    const int expected = kFolders * kFilesPerFolder;

    double bestGather = std::numeric_limits<double>::max();
    double bestList = std::numeric_limits<double>::max();
    qint64 checksum = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;

        // The listing runs before and after the gathering, so that both meet the caches alike.
        timer.start();
        const int listed = List(treeB, checksum);
        bestList = std::min(bestList, timer.nsecsElapsed() / 1e6);

        FavorList().Clear();
        if (Gather(treeA) != expected) {
            std::fprintf(stderr, "tree A: not every file was gathered\n");
            return 2;
        }
        timer.start();
        const int added = Gather(treeB);
        bestGather = std::min(bestGather, timer.nsecsElapsed() / 1e6);

        timer.start();
        List(treeB, checksum);
        bestList = std::min(bestList, timer.nsecsElapsed() / 1e6);

        if (listed != expected || added != expected || FavorList().Count() != 2 * expected) {
            std::fprintf(stderr, "round %d: listed %d, added %d, list holds %d\n", round, listed,
                         added, FavorList().Count());
            return 2;
        }
    }

    const double ratio = bestGather / bestList;
    std::printf("files:   %d in %d folders, list already holding %d; best of %d rounds\n",
                expected, kFolders, expected, rounds);
    std::printf("listing: %.1f ms\n", bestList);
    std::printf("gather:  %.1f ms\n", bestGather);
    std::printf("ratio:   %.3f (gather / listing, target <= %.1f)\n", ratio, kTarget);
    if (checksum == 42)
        std::printf("\n"); // keeps the listing's reads from being optimised away
    return ratio > kTarget ? 1 : 0;
}
