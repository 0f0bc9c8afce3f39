// The module's entry point for LV2 hosts: the stereo plug-in and its one-channel variant, their
// instance operations and the state interface.
#include "framework/lv2/PlugModuleLV2.h"

#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace
{
struct Instance
{
    IFxLV2* plug;
    const LV2_URID_Map* map;
};

IFxLV2* Plug(LV2_Handle handle)
{
    return static_cast<Instance*>(handle)->plug;
}

const std::string& StateKey()
{
    static const std::string key =
        LV2PluginURI(kPlugClassRecord.vendor, kPlugClassRecord.name) + "#state";
    return key;
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char*,
                       const LV2_Feature* const* features);

void ConnectPort(LV2_Handle handle, uint32_t port, void* data)
{
    if (port < Plug(handle)->Ports().NumPorts())
        Plug(handle)->ConnectPort(port, data);
}

void Activate(LV2_Handle handle)
{
    Plug(handle)->Activate();
}

void Run(LV2_Handle handle, uint32_t nFrames)
{
    Plug(handle)->Run(nFrames);
}

void Deactivate(LV2_Handle handle)
{
    Plug(handle)->Deactivate();
}

void Cleanup(LV2_Handle handle)
{
    auto* instance = static_cast<Instance*>(handle);
    delete instance->plug;
    delete instance;
}

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store,
                      LV2_State_Handle stateHandle, uint32_t, const LV2_Feature* const*)
{
    auto* instance = static_cast<Instance*>(handle);
    if (!instance->map || !store)
        return LV2_STATE_ERR_NO_FEATURE;
    ByteChunk record;
    if (!instance->plug->SaveStateRecord(&record))
        return LV2_STATE_ERR_UNKNOWN;
    const LV2_URID_Map* map = instance->map;
    return store(stateHandle, map->map(map->handle, StateKey().c_str()), record.GetBytes(),
                 static_cast<size_t>(record.Size()), map->map(map->handle, LV2_ATOM__Chunk),
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle stateHandle, uint32_t, const LV2_Feature* const*)
{
    auto* instance = static_cast<Instance*>(handle);
    if (!instance->map || !retrieve)
        return LV2_STATE_ERR_NO_FEATURE;
    const LV2_URID_Map* map = instance->map;
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* data =
        retrieve(stateHandle, map->map(map->handle, StateKey().c_str()), &size, &type, &flags);
    if (!data)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != map->map(map->handle, LV2_ATOM__Chunk))
        return LV2_STATE_ERR_BAD_TYPE;
    return instance->plug->LoadStateRecord(data, size) ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

const LV2_State_Interface kStateInterface = {Save, Restore};

const void* ExtensionData(const char* uri)
{
    return uri && std::strcmp(uri, LV2_STATE__interface) == 0 ? &kStateInterface : nullptr;
}

struct Descriptors
{
    Descriptors()
        : stereoURI(LV2PluginURI(kPlugClassRecord.vendor, kPlugClassRecord.name)),
          monoURI(LV2MonoURI(kPlugClassRecord.vendor, kPlugClassRecord.name)),
          stereo{stereoURI.c_str(), Instantiate, ConnectPort,  Activate, Run,
                 Deactivate,        Cleanup,     ExtensionData},
          mono{monoURI.c_str(), Instantiate, ConnectPort,  Activate, Run,
               Deactivate,      Cleanup,     ExtensionData}
    {
    }
    std::string stereoURI, monoURI;
    LV2_Descriptor stereo, mono;
};

const Descriptors& TheDescriptors()
{
    static const Descriptors descriptors;
    return descriptors;
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char*,
                       const LV2_Feature* const* features)
{
    const int nChannels =
        descriptor == &TheDescriptors().mono ? kLV2MonoChannels : kLV2StereoChannels;
    const auto* map = static_cast<const LV2_URID_Map*>(FindLV2Feature(features, LV2_URID__map));
    // Nothing may leave the module as an exception; a failed instantiation is a null handle.
    try
    {
        std::unique_ptr<IFxLV2> plug(MakePlug());
        if (!plug || !plug->Instantiate(nChannels, rate, features))
            return nullptr;
        auto* instance = new Instance{plug.get(), map && map->map ? map : nullptr};
        plug.release();
        return instance;
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor*
lv2_descriptor(uint32_t index)
{
    switch (index)
    {
    case 0:
        return &TheDescriptors().stereo;
    case 1:
        return &TheDescriptors().mono;
    default:
        return nullptr;
    }
}
