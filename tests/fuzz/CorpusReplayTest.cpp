#include "CorpusReplay.h"

TEST(ProjectFileCorpus, EveryStoredInputOpensWithoutHarm)
{
    ReplayCorpus(QStringLiteral(PICTAVO_TEST_SOURCE_DIR "/fuzz/corpus"));
}

TEST(ProjectFileCorpus, SurvivesEveryTruncationOfAValidFile)
{
    const QByteArray bytes = ReadFileBytes(QStringLiteral(PICTAVO_TEST_SOURCE_DIR "/fuzz/corpus/valid-records-comment.prj"));
    ASSERT_GT(bytes.size(), 624);
    for (int length = 0; length <= bytes.size(); ++length)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(length));
}
