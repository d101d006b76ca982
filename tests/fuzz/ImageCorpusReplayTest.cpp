#include "CorpusReplay.h"

TEST(ImageReadCorpus, EveryStoredSeedDecodesWithoutHarm)
{
    ReplayCorpus(QStringLiteral(PICTAVO_TEST_SOURCE_DIR "/fuzz/images"));
}
