#pragma once

#include "framework/graphics/IGraphicsStructs.h"
#include "raster/RasterFont.h"

#include <memory>
#include <mutex>
#include <vector>

// Fonts shared by every editor in the process, keyed by what shapes the glyphs: size,
// orientation, style and face. Colour, alignment and quality are applied at drawing time.
class FontStorage
{
public:
    static constexpr int kFaceLen = 36;

    Raster_CachedFont* Find(const IText& text);
    void Add(Raster_CachedFont* font, const IText& text);

private:
    struct Entry
    {
        int mSize = 0, mOrientation = 0, mStyle = 0;
        char mFace[kFaceLen] = {};
        std::unique_ptr<Raster_CachedFont> mFont;
    };
    std::mutex mMutex;
    std::vector<Entry> mEntries;
};

extern FontStorage s_fontCache;
