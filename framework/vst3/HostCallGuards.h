#pragma once

#include "IFxVST3.h"

// Host calls on this thread that are still running; announcements wait for the outermost to end.
inline thread_local int gHostCallDepth = 0;
// Set while this thread runs process: the host is never called back from its audio thread.
inline thread_local bool gInProcess = false;

struct ProcessScope
{
    ProcessScope() { gInProcess = true; }
    ~ProcessScope() { gInProcess = false; }
};

// Held by each host call that may restore values; the plug-in lock is released before the hold
// ends, so the host may call back into the plug-in from restartComponent.
class IFxVST3::AnnouncementHold
{
public:
    explicit AnnouncementHold(IFxVST3& plug) : mPlug(plug) { ++gHostCallDepth; }
    ~AnnouncementHold()
    {
        --gHostCallDepth;
        mPlug.DeliverRestarts();
    }
    AnnouncementHold(const AnnouncementHold&) = delete;
    AnnouncementHold& operator=(const AnnouncementHold&) = delete;

private:
    IFxVST3& mPlug;
};
