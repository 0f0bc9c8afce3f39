// Level meters of a plug-in's input and output: what the processing thread measures in each
// block, how it reaches the editor's timer with neither thread ever waiting for the other, and
// how a meter moves (peak hold and fall, the mean level over a few hundred milliseconds).
#pragma once

#include "framework/core/ChannelLevels.h"

#include <atomic>
#include <cstdint>

// Levels in decibels relative to full scale are kept within this range: silence reads as the
// floor, and a peak far above full scale as the ceiling.
constexpr double kLevelFloorDb = -70.0;
constexpr double kLevelCeilingDb = 24.0;
double LevelToDb(double magnitude);
double MeanSquareToDb(double meanSquare);

// The levels of one block.
struct LevelBlock
{
    double peak = 0.0;       // largest magnitude of any channel
    double meanSquare = 0.0; // over the frames, of the mean over the channels of the square
    double seconds = 0.0;
    bool clipped = false; // a sample reached full scale
};

// The mean level: the mean square averaged exponentially with a kSeconds time constant, each
// block weighed by its duration exactly as a sample-by-sample average would weigh it.
struct MeanSquareAverage
{
    static constexpr double kSeconds = 0.3;

    void Add(double meanSquare, double seconds);
    double Value() const { return mValue; }

private:
    double mValue = 0.0;
    // Hosts repeat their block length: the weight of the last duration is kept.
    double mLastSeconds = -1.0;
    double mLastKeep = 0.0;
};

// The peak reading: the highest level holds for kHoldSeconds, then falls by kFallDbPerSecond.
struct PeakHold
{
    static constexpr double kHoldSeconds = 1.5;
    static constexpr double kFallDbPerSecond = 20.0;

    // The highest magnitude since the last call, elapsedSeconds after it.
    void Advance(double peak, double elapsedSeconds);
    double Db() const { return mDb; }

private:
    double mDb = kLevelFloorDb;
    double mSincePeak = 0.0;
};

// What a meter shows.
struct LevelReading
{
    double peakDb = kLevelFloorDb;
    double rmsDb = kLevelFloorDb;
    bool clipped = false; // a sample reached full scale since the last reading
};

// The input and output meters of one plug-in. One processing thread measures; one reading thread
// (the editor's) reads, as often as it likes. The processing side keeps the mean level itself
// and publishes it; the highest peak and whether a sample clipped since the last reading are
// atomics the reader swaps for nothing, so every block's peak and clip are read exactly once,
// however small the blocks, and are there to read as soon as the block is measured. A plug-in
// object that never processes, as an editor run apart from its processing instance is, is shown
// the readings made elsewhere instead.
class LevelMeters
{
public:
    enum ESide
    {
        kInputSide,
        kOutputSide,
        kNumSides
    };
    // More channels than this are measured as the first ones only.
    static constexpr int kMaxChannels = 8;

    // ---- processing thread
    // Measures one block of channels (nFrames each) at sampleRate.
    void Measure(int side, const double* const* channels, int nChannels, int nFrames,
                 double sampleRate);
    // The same for a block whose levels were measured elsewhere (while converting it).
    void Add(int side, const ChannelLevels& levels, int nChannels, int nFrames, double sampleRate);
    const LevelBlock& LastBlock(int side) const { return mSides[Clamp(side)].lastBlock; }
    // The mean level as the processing side averages it.
    double MeanSquare(int side) const { return mSides[Clamp(side)].average.Value(); }

    // ---- reading thread
    // The meter's reading elapsedSeconds after the last one. After a longer pause than a peak
    // is held (the editor was closed), the peaks that piled up are dropped, but not a clip.
    LevelReading Read(int side, double elapsedSeconds);
    // From now on the side shows these levels (decibels, with their ballistics applied) instead
    // of its own measurements. A new peak at full scale or above counts as a clip.
    void ShowReading(int side, double peakDb, double rmsDb);

private:
    struct Side
    {
        // Written by the processing thread.
        LevelBlock lastBlock;
        MeanSquareAverage average;
        // From the processing thread to the reader.
        std::atomic<double> peak{0.0};
        std::atomic<double> meanSquare{0.0};
        std::atomic<bool> clipped{false};
        std::atomic<uint32_t> blocks{0};
        // The reader's own.
        PeakHold hold;
        double shownMeanSquare = 0.0;
        uint32_t blocksRead = 0;
        double quietFor = 0.0;
        bool shown = false;
        LevelReading reading;
    };
    static int Clamp(int side) { return side == kOutputSide ? kOutputSide : kInputSide; }
    // What the processing thread derives from a block's rate, length and channels.
    struct BlockShape
    {
        double sampleRate;
        int frames;
        int64_t samples;
        double seconds;
        double perSample; // 1 / samples
    };

    Side mSides[kNumSides];
    BlockShape mBlockShape = {0.0, 0, 0, 0.0, 0.0};
};
