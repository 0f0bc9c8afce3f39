#pragma once

#include "RefCount.h"

#include "pluginterfaces/vst/ivsthostapplication.h"

#include <string>

namespace vst3host
{

// The host context handed to initialize and setHostContext: IHostApplication answering a chosen
// name, and optionally what else the host offers through it (extras: the Linux run loop of a
// host that offers one, RunLoop.h), whose interfaces queryInterface passes on.
class HostApplication : public Steinberg::Vst::IHostApplication
{
public:
    explicit HostApplication(std::string name, Steinberg::FUnknown* extras = nullptr)
        : mName(std::move(name)), mExtras(extras)
    {
    }
    virtual ~HostApplication() = default;

    // The name is given as 8-bit text and widened byte by byte, cut to 127 units.
    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    // The host makes no objects (messages, attribute lists) for the plug-in.
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID iid,
                                                 void** obj) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        return QueryOwnInterface<Steinberg::Vst::IHostApplication>(this, queried, obj, mExtras);
    }
    VST3HOST_REFCOUNT_METHODS

private:
    std::string mName;
    Steinberg::FUnknown* mExtras;
    RefCount mRefs;
};

} // namespace vst3host
