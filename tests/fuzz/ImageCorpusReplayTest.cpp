#include "support/TestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

TEST(ImageReadCorpus, EveryStoredSeedDecodesWithoutHarm)
{
    QDir corpus(QStringLiteral(PICTAVO_TEST_SOURCE_DIR "/fuzz/images"));
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
