#pragma once

// Owners for MagickCore objects: each is released by the scope that obtained it.

#include "engine/unitMagickApi.h"

#include <memory>

struct TImageListDeleter
{
    void operator()(Image *images) const
    {
        if (images && Magick().DestroyImageList)
            Magick().DestroyImageList(images);
    }
};

struct TImageInfoDeleter
{
    void operator()(ImageInfo *info) const
    {
        if (info && Magick().DestroyImageInfo)
            Magick().DestroyImageInfo(info);
    }
};

struct TExceptionDeleter
{
    void operator()(ExceptionInfo *exception) const
    {
        if (exception && Magick().DestroyExceptionInfo)
            Magick().DestroyExceptionInfo(exception);
    }
};

struct TMagickMemoryDeleter
{
    void operator()(void *block) const
    {
        if (block && Magick().RelinquishMagickMemory)
            Magick().RelinquishMagickMemory(block);
    }
};

struct TStringInfoDeleter
{
    void operator()(StringInfo *info) const
    {
        if (info && Magick().DestroyStringInfo)
            Magick().DestroyStringInfo(info);
    }
};

using TImageListPtr = std::unique_ptr<Image, TImageListDeleter>;
using TImageInfoPtr = std::unique_ptr<ImageInfo, TImageInfoDeleter>;
using TExceptionPtr = std::unique_ptr<ExceptionInfo, TExceptionDeleter>;
using TMagickMemoryPtr = std::unique_ptr<void, TMagickMemoryDeleter>;
using TStringInfoPtr = std::unique_ptr<StringInfo, TStringInfoDeleter>;

// A fresh exception record, or null when the library is not loaded.
inline TExceptionPtr NewException()
{
    return TExceptionPtr(Magick().AcquireExceptionInfo ? Magick().AcquireExceptionInfo()
                                                       : nullptr);
}
