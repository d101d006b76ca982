#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

TEST(ProjectFileCorpus, EveryStoredInputOpensWithoutHarm)
{
    QDir corpus(QStringLiteral(PICTAVO_TEST_SOURCE_DIR "/fuzz/corpus"));
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

TEST(ProjectFileCorpus, SurvivesEveryTruncationOfAValidFile)
{
    const QByteArray bytes = ReadFileBytes(QStringLiteral(PICTAVO_TEST_SOURCE_DIR "/fuzz/corpus/valid-records-comment.prj"));
    ASSERT_GT(bytes.size(), 624);
    for (int length = 0; length <= bytes.size(); ++length)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(length));
}
