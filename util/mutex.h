#pragma once

#include <mutex>

// Recursive mutex: the plug-in lock is taken again by hooks that run under it.
class FxMutex
{
public:
    void Enter() { mMutex.lock(); }
    void Leave() { mMutex.unlock(); }

private:
    std::recursive_mutex mMutex;
};

class FxMutexLock
{
public:
    explicit FxMutexLock(FxMutex& mutex) : mMutex(mutex) { mMutex.Enter(); }
    ~FxMutexLock() { mMutex.Leave(); }
    FxMutexLock(const FxMutexLock&) = delete;
    FxMutexLock& operator=(const FxMutexLock&) = delete;

private:
    FxMutex& mMutex;
};
