#include "engine/MagickImage.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"

#include <gtest/gtest.h>

TEST(MagickImageWithoutLibrary, CannotBeCreated)
{
    ASSERT_FALSE(ImageLibraryLoaded);
    try {
        TMagickImage image;
        FAIL() << "an image was created without the library";
    } catch (const TError &error) {
        EXPECT_EQ(error.text(), QStringLiteral("ImageMagick library not loaded"));
    }
}
