#pragma once

#include <atomic>

// A value that threads read and write at once without a lock, such as a parameter a host sets on
// its UI thread while the audio thread reads it: every access is whole. The order is relaxed,
// since the value publishes no other data; on the processors we build for this costs nothing over
// a plain variable. Copies take the value, so classes holding one stay copyable.
template <class T> class FxSharedValue
{
public:
    FxSharedValue(T value = T()) : mValue(value) {}
    FxSharedValue(const FxSharedValue& other) : mValue(other.Get()) {}
    FxSharedValue& operator=(const FxSharedValue& other)
    {
        Set(other.Get());
        return *this;
    }

    T Get() const { return mValue.load(std::memory_order_relaxed); }
    void Set(T value) { mValue.store(value, std::memory_order_relaxed); }

private:
    std::atomic<T> mValue;
};
