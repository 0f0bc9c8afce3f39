#include "framework/graphics/BitmapStorage.h"

BitmapStorage s_bitmapCache;

Raster_IBitmap* BitmapStorage::Find(int id)
{
    std::lock_guard<std::mutex> lock(mMutex);
    for (const Entry& e : mEntries)
        if (e.mID == id)
            return e.mBitmap.get();
    return nullptr;
}

void BitmapStorage::Add(Raster_IBitmap* bitmap, int id, const char* name)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mEntries.push_back(Entry{id,
                             std::unique_ptr<Raster_IBitmap>(bitmap),
                             name ? name : "",
                             nullptr,
                             name == nullptr,
                             {}});
}

void BitmapStorage::Remove(Raster_IBitmap* bitmap)
{
    std::lock_guard<std::mutex> lock(mMutex);
    for (auto it = mEntries.begin(); it != mEntries.end(); ++it)
        if (it->mBitmap.get() == bitmap)
        {
            mEntries.erase(it);
            return;
        }
}

Raster_IBitmap* BitmapStorage::ResampledFrame(const IBitmap& bitmap, Raster_IBitmap* art,
                                              int artScale, int index, int cellW, int cellH)
{
    std::lock_guard<std::mutex> lock(mMutex);
    Entry* e = Lookup(bitmap.mData);
    if (!e)
        return nullptr;
    const bool across = bitmap.mFramesAreHorizontal;
    Resampled* r = nullptr;
    for (Resampled& candidate : e->mResampled)
        if (candidate.mFrames == bitmap.N && candidate.mAcross == across &&
            candidate.mCellW == cellW && candidate.mCellH == cellH)
            r = &candidate;
    if (!r)
    {
        e->mResampled.push_back(Resampled{bitmap.N, across, cellW, cellH, {}});
        r = &e->mResampled.back();
        r->mCells.resize(size_t(bitmap.N));
    }
    std::unique_ptr<Raster_IBitmap>& cell = r->mCells[size_t(index)];
    if (!cell)
    {
        const int fw = bitmap.FrameWidth() * artScale, fh = bitmap.FrameHeight() * artScale;
        cell = std::make_unique<Raster_MemBitmap>(cellW, cellH, 4);
        Raster_ScaledBlit(cell.get(), art, 0, 0, cellW, cellH, float(across ? index * fw : 0),
                          float(across ? 0 : index * fh), float(fw), float(fh), 1.0f,
                          RASTER_BLIT_MODE_COPY | RASTER_BLIT_FILTER_BILINEAR);
    }
    return cell.get();
}

BitmapStorage::Entry* BitmapStorage::Lookup(Raster_IBitmap* bitmap)
{
    for (Entry& e : mEntries)
        if (e.mBitmap.get() == bitmap)
            return &e;
    return nullptr;
}
