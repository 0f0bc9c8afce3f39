// The oversampling a user chose for a plug-in that can run its processing at a multiple of the
// host rate: one factor for realtime processing and one for the host's offline rendering. Plain
// data, shared by the plug-in, its editor, its state and the tools that host it.
#pragma once

struct OversamplingChoice
{
    // The offline factor that follows the realtime one.
    static constexpr int kSameAsRealtime = 0;

    int realtime = 1; // 1 (off), 2, 4 ...
    int offline = kSameAsRealtime;

    // Factors are powers of two from 1 up to the plug-in's largest.
    static bool IsFactor(int factor, int maxFactor)
    {
        return factor >= 1 && factor <= maxFactor && (factor & (factor - 1)) == 0;
    }
    // Offline rendering never runs below realtime's choice by a factor of its own, so 1 is not one
    // of its choices.
    bool IsValid(int maxFactor) const
    {
        return IsFactor(realtime, maxFactor) &&
               (offline == kSameAsRealtime || (offline > 1 && IsFactor(offline, maxFactor)));
    }
    bool IsDefault() const { return realtime == 1 && offline == kSameAsRealtime; }
    int InEffect(bool renderingOffline) const
    {
        return renderingOffline && offline != kSameAsRealtime ? offline : realtime;
    }
    bool operator==(const OversamplingChoice& other) const
    {
        return realtime == other.realtime && offline == other.offline;
    }
    bool operator!=(const OversamplingChoice& other) const { return !(*this == other); }
};
