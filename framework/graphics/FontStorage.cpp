#include "framework/graphics/FontStorage.h"

#include <cstring>

FontStorage s_fontCache;

Raster_CachedFont* FontStorage::Find(const IText& text)
{
    std::lock_guard<std::mutex> lock(mMutex);
    for (const Entry& e : mEntries)
        if (e.mSize == text.mSize && e.mOrientation == text.mOrientation &&
            e.mStyle == text.mStyle && std::strncmp(e.mFace, text.mFont, kFaceLen - 1) == 0)
            return e.mFont.get();
    return nullptr;
}

void FontStorage::Add(Raster_CachedFont* font, const IText& text)
{
    std::lock_guard<std::mutex> lock(mMutex);
    Entry e;
    e.mSize = text.mSize;
    e.mOrientation = text.mOrientation;
    e.mStyle = text.mStyle;
    std::strncpy(e.mFace, text.mFont, kFaceLen - 1);
    e.mFace[kFaceLen - 1] = '\0';
    e.mFont.reset(font);
    mEntries.push_back(std::move(e));
}
