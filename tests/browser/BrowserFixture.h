#pragma once

// A sandbox folder with folders, files and real images for the file browser tests.

#include "ui/unitFileBrowser.h"
#include "ui/unitThumbnails.h"

#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include <utime.h>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Folders too, which QFile cannot open.
inline void SetModified(const QString &path, const QDateTime &when)
{
    utimbuf times{};
    times.actime = time_t(when.toSecsSinceEpoch());
    times.modtime = time_t(when.toSecsSinceEpoch());
    ASSERT_EQ(utime(QFile::encodeName(path).constData(), &times), 0) << path.toStdString();
}

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline void WriteImage(const QString &path, int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path)) << path.toStdString();
}

class BrowserFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        root = sandbox.path();
    }

    QString path(const QString &name) const { return root + QLatin1Char('/') + name; }

    QString makeFolder(const QString &name)
    {
        QDir().mkpath(path(name));
        return path(name);
    }

    std::unique_ptr<TFileList> makeList(int width = 640, int height = 400)
    {
        auto list = std::make_unique<TFileList>();
        list->ThumbnailMaker().SetCacheFile(cacheFile());
        list->resize(width, height);
        list->show();
        return list;
    }

    QString cacheFile() const { return cacheDir.filePath(QStringLiteral("Thumbnails.Cache")); }

    QTemporaryDir sandbox;
    QTemporaryDir cacheDir;
    QString root;
};
