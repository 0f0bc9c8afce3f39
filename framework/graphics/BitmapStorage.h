#pragma once

#include "framework/graphics/IGraphics.h"
#include "framework/graphics/IGraphicsStructs.h"
#include "raster/Raster.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Decoded images shared by every editor in the process, keyed by resource ID; derived images
// (scaled, cropped, retained) are kept under −1. The cache owns them until the process ends.
// An image loaded from a resource also keeps its 2x artwork, decoded the first time an editor
// draws it above 1x, so that editors shown at 1x never pay for it.
class BitmapStorage
{
public:
    Raster_IBitmap* Find(int id);
    void Add(Raster_IBitmap* bitmap, int id, const char* name = nullptr);
    void Remove(Raster_IBitmap* bitmap);
    // The 2x artwork of bitmap, loaded through load(ID, name) on the first call; null when the
    // bitmap has none (derived images, a missing file, or one not exactly twice the size).
    template <class Load> Raster_IBitmap* HiRes(Raster_IBitmap* bitmap, Load load)
    {
        int id = 0;
        std::string name;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            Entry* e = Lookup(bitmap);
            if (!e || e->mHiResTried)
                return e ? e->mHiRes.get() : nullptr;
            id = e->mID;
            name = e->mName;
        }
        // Decoded outside the lock: other editors keep drawing meanwhile.
        std::unique_ptr<Raster_IBitmap> hiRes(load(id, HiResArtworkName(name.c_str()).c_str()));
        if (hiRes && (hiRes->getWidth() != 2 * bitmap->getWidth() ||
                      hiRes->getHeight() != 2 * bitmap->getHeight()))
            hiRes.reset();
        std::lock_guard<std::mutex> lock(mMutex);
        Entry* e = Lookup(bitmap);
        if (!e)
            return nullptr;
        if (!e->mHiResTried)
        {
            e->mHiRes = std::move(hiRes);
            e->mHiResTried = true;
        }
        return e->mHiRes.get();
    }
    // Frame index of bitmap resampled from art (drawn at artScale) to cellW × cellH. Each frame
    // is resampled the first time it is asked for and kept, so an editor at a scale between its
    // artwork's pays once for each frame it shows. Null when bitmap is not in the cache.
    Raster_IBitmap* ResampledFrame(const IBitmap& bitmap, Raster_IBitmap* art, int artScale,
                                   int index, int cellW, int cellH);

private:
    struct Resampled
    {
        int mFrames;
        bool mAcross;
        int mCellW, mCellH;
        std::vector<std::unique_ptr<Raster_IBitmap>> mCells; // per frame, null until drawn
    };
    struct Entry
    {
        int mID;
        std::unique_ptr<Raster_IBitmap> mBitmap;
        std::string mName;
        std::unique_ptr<Raster_IBitmap> mHiRes;
        bool mHiResTried;
        std::vector<Resampled> mResampled;
    };
    Entry* Lookup(Raster_IBitmap* bitmap);
    std::mutex mMutex;
    std::vector<Entry> mEntries;
};

extern BitmapStorage s_bitmapCache;
