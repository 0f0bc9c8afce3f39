#pragma once

#include "pluginterfaces/base/funknown.h"

#include <atomic>

namespace vst3host
{

// Reference count of a host object whose owner (a member, or a test's stack) decides its
// lifetime. It counts but never deletes: the host keeps its objects until the plug-in that could
// hold references is gone, and a test can check that the plug-in gave back every reference it
// took (the count is 1 when nobody but the owner holds the object).
class RefCount
{
public:
    Steinberg::uint32 Add() { return static_cast<Steinberg::uint32>(++mCount); }
    Steinberg::uint32 Remove() { return static_cast<Steinberg::uint32>(--mCount); }
    int Get() const { return mCount.load(); }

private:
    std::atomic<int> mCount{1};
};

// queryInterface of a host object that offers Interface (and FUnknown) itself and, through
// forward when there is one, whatever that object offers.
template <class Interface>
Steinberg::tresult QueryOwnInterface(Interface* self, const Steinberg::TUID queried, void** obj,
                                     Steinberg::FUnknown* forward = nullptr)
{
    using Steinberg::FUnknownPrivate::iidEqual;
    const bool own =
        iidEqual(queried, Steinberg::FUnknown::iid) || iidEqual(queried, Interface::iid);
    if (!own && forward)
        return forward->queryInterface(queried, obj);
    *obj = own ? self : nullptr;
    if (own)
        self->addRef();
    return own ? Steinberg::kResultOk : Steinberg::kNoInterface;
}

} // namespace vst3host

// FUnknown's counting members for a class with a RefCount member named mRefs.
#define VST3HOST_REFCOUNT_METHODS                                                                  \
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
