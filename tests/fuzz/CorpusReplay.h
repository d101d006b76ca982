#pragma once

#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

// Feeds every stored input of a corpus folder to the fuzz target it was found with.
inline void ReplayCorpus(const QString &folder)
{
    const QDir corpus(folder);
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 5);
    for (const QString &name : files) {
        const QByteArray bytes = ReadFileBytes(corpus.filePath(name));
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()),
                                         size_t(bytes.size())),
                  0);
    }
}
