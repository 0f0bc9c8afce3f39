#include "framework/core/LevelMeters.h"

#include "framework/core/ChannelLevels.h"

#include <algorithm>
#include <cmath>

namespace
{
const ChannelLevelScan kScan = FastestChannelLevelScan();
} // namespace

void ScanEachChannel(const double* const* channels, int nChannels, int n, ChannelLevels* levels)
{
    for (int c = 0; c < nChannels; ++c)
        levels[c] = kScan(channels + c, 1, n);
}

double LevelToDb(double magnitude)
{
    if (!(magnitude > 0.0))
        return kLevelFloorDb;
    return std::clamp(20.0 * std::log10(magnitude), kLevelFloorDb, kLevelCeilingDb);
}

double MeanSquareToDb(double meanSquare)
{
    if (!(meanSquare > 0.0))
        return kLevelFloorDb;
    return std::clamp(10.0 * std::log10(meanSquare), kLevelFloorDb, kLevelCeilingDb);
}

void MeanSquareAverage::Add(double meanSquare, double seconds)
{
    if (!(seconds > 0.0))
        return;
    if (seconds != mLastSeconds)
    {
        mLastSeconds = seconds;
        mLastKeep = std::exp(-seconds / kSeconds);
    }
    mValue = mLastKeep * mValue + (1.0 - mLastKeep) * meanSquare;
}

void PeakHold::Advance(double peak, double elapsedSeconds)
{
    const double elapsed = std::max(elapsedSeconds, 0.0);
    mSincePeak += elapsed;
    if (mSincePeak > kHoldSeconds)
    {
        const double falling = std::min(elapsed, mSincePeak - kHoldSeconds);
        mDb = std::max(mDb - kFallDbPerSecond * falling, kLevelFloorDb);
    }
    const double db = LevelToDb(peak);
    if (db >= mDb)
    {
        mDb = db;
        mSincePeak = 0.0;
    }
}

void LevelMeters::Measure(int side, const double* const* channels, int nChannels, int nFrames,
                          double sampleRate)
{
    if (nFrames <= 0)
        return;
    const int n = std::clamp(nChannels, 0, kMaxChannels);
    Add(side, kScan(channels, n, nFrames), n, nFrames, sampleRate);
}

void LevelMeters::Add(int side, const ChannelLevels& levels, int nChannels, int nFrames,
                      double sampleRate)
{
    if (nFrames <= 0 || !(sampleRate > 0.0))
        return;
    Side& s = mSides[Clamp(side)];
    // Hosts repeat their rate, block length and channel count: the divisions are kept.
    const int64_t samples = int64_t(std::max(nChannels, 0)) * nFrames;
    if (sampleRate != mBlockShape.sampleRate || nFrames != mBlockShape.frames ||
        samples != mBlockShape.samples)
        mBlockShape = {sampleRate, nFrames, samples, double(nFrames) / sampleRate,
                       samples > 0 ? 1.0 / double(samples) : 0.0};
    LevelBlock block;
    block.seconds = mBlockShape.seconds;
    block.peak = levels.peak;
    // The mean over channels too, so that a mono and a stereo signal of one level read alike;
    // samples that are not numbers count as silence.
    block.meanSquare =
        std::isfinite(levels.sumSquares) ? levels.sumSquares * mBlockShape.perSample : 0.0;
    block.clipped = block.peak >= 1.0;
    s.lastBlock = block;
    s.average.Add(block.meanSquare, block.seconds);

    s.meanSquare.store(s.average.Value(), std::memory_order_relaxed);
    double highest = s.peak.load(std::memory_order_relaxed);
    while (block.peak > highest &&
           !s.peak.compare_exchange_weak(highest, block.peak, std::memory_order_relaxed))
    {
    }
    if (block.clipped)
        s.clipped.store(true, std::memory_order_relaxed);
    s.blocks.store(s.blocks.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

LevelReading LevelMeters::Read(int side, double elapsedSeconds)
{
    Side& s = mSides[Clamp(side)];
    if (s.shown)
    {
        const LevelReading reading = s.reading;
        s.reading.clipped = false;
        return reading;
    }
    LevelReading reading;
    const double peak = s.peak.exchange(0.0, std::memory_order_relaxed);
    reading.clipped = s.clipped.exchange(false, std::memory_order_relaxed);
    if (elapsedSeconds <= PeakHold::kHoldSeconds)
        s.hold.Advance(peak, elapsedSeconds);
    else
        s.hold = PeakHold();

    // A host that stops processing sends no blocks at all; once none has come for as long as
    // the average spans, the mean level falls as it would in silence.
    const uint32_t blocks = s.blocks.load(std::memory_order_relaxed);
    if (blocks != s.blocksRead)
    {
        s.blocksRead = blocks;
        s.quietFor = 0.0;
        s.shownMeanSquare = s.meanSquare.load(std::memory_order_relaxed);
    }
    else if ((s.quietFor += std::max(elapsedSeconds, 0.0)) > MeanSquareAverage::kSeconds)
    {
        const double silent = std::min(elapsedSeconds, s.quietFor - MeanSquareAverage::kSeconds);
        s.shownMeanSquare *= std::exp(-silent / MeanSquareAverage::kSeconds);
    }
    reading.peakDb = s.hold.Db();
    reading.rmsDb = MeanSquareToDb(s.shownMeanSquare);
    return reading;
}

void LevelMeters::ShowReading(int side, double peakDb, double rmsDb)
{
    if (!std::isfinite(peakDb) || !std::isfinite(rmsDb))
        return;
    Side& s = mSides[Clamp(side)];
    peakDb = std::clamp(peakDb, kLevelFloorDb, kLevelCeilingDb);
    // A held peak comes in again and again; only a new one is a new clip, so that a lamp the
    // user has put out stays out.
    const bool newPeak = !s.shown || peakDb != s.reading.peakDb;
    s.shown = true;
    s.reading.peakDb = peakDb;
    s.reading.rmsDb = std::clamp(rmsDb, kLevelFloorDb, kLevelCeilingDb);
    s.reading.clipped = s.reading.clipped || (newPeak && peakDb >= 0.0);
}
