#pragma once

#include "pluginterfaces/base/funknown.h"

#include <atomic>

namespace vst3test
{

// Reference count of a host object that a test owns (usually on the stack). It counts but never
// deletes, so a test can check that the plug-in gave back every reference it took: the count is
// 1 when nobody but the test holds the object.
class RefCount
{
public:
    Steinberg::uint32 Add() { return static_cast<Steinberg::uint32>(++mCount); }
    Steinberg::uint32 Remove() { return static_cast<Steinberg::uint32>(--mCount); }
    int Get() const { return mCount.load(); }

private:
    std::atomic<int> mCount{1};
};

} // namespace vst3test

// FUnknown's counting members for a class with a RefCount member named mRefs.
#define VST3TEST_REFCOUNT_METHODS                                                                  \
    Steinberg::uint32 PLUGIN_API addRef() override                                                 \
    {                                                                                              \
        return mRefs.Add();                                                                        \
    }                                                                                              \
    Steinberg::uint32 PLUGIN_API release() override                                                \
    {                                                                                              \
        return mRefs.Remove();                                                                     \
    }                                                                                              \
    int GetRefCount() const                                                                        \
    {                                                                                              \
        return mRefs.Get();                                                                        \
    }
