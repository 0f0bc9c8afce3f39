#include "LilvHost.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <stdexcept>

namespace lv2test
{

UridMap::UridMap()
{
    mMap.handle = this;
    mMap.map = [](LV2_URID_Map_Handle h, const char* uri)
    { return static_cast<UridMap*>(h)->Map(uri); };
    mUnmap.handle = this;
    mUnmap.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID urid)
    { return static_cast<UridMap*>(h)->Unmap(urid); };
    mMapFeature = {LV2_URID__map, &mMap};
    mUnmapFeature = {LV2_URID__unmap, &mUnmap};
}

LV2_URID UridMap::Map(const char* uri)
{
    auto it = mIds.find(uri);
    if (it != mIds.end())
        return it->second;
    mUris.push_back(uri);
    return mIds[uri] = static_cast<LV2_URID>(mUris.size());
}

const char* UridMap::Unmap(LV2_URID urid) const
{
    return urid >= 1 && urid <= mUris.size() ? mUris[urid - 1].c_str() : nullptr;
}

World& World::Get()
{
    static World world;
    return world;
}

World::World() : mWorld(lilv_world_new())
{
    LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, VELTAR_LV2_BUNDLE "/");
    lilv_world_load_bundle(mWorld, bundle);
    lilv_node_free(bundle);
}

const LilvPlugin* World::Plugin(const char* uri) const
{
    LilvNode* node = lilv_new_uri(mWorld, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), node);
    lilv_node_free(node);
    return plugin;
}

Instance::Instance(const char* uri, double rate, int maxBlock)
    : mPlugin(World::Get().Plugin(uri)), mMaxBlock(maxBlock > 0 ? maxBlock : 4096)
{
    if (!mPlugin)
        return;
    UridMap& urids = World::Get().Urids();
    mFeatures.push_back(urids.MapFeature());
    mFeatures.push_back(urids.UnmapFeature());
    if (maxBlock > 0)
    {
        mMaxBlockOption = maxBlock;
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__maxBlockLength),
                            sizeof(int32_t), urids.Map(LV2_ATOM__Int), &mMaxBlockOption});
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
        mFeatureStore.reserve(2);
        mFeatureStore.push_back({LV2_OPTIONS__options, mOptions.data()});
        mFeatureStore.push_back({LV2_BUF_SIZE__boundedBlockLength, nullptr});
        for (const LV2_Feature& f : mFeatureStore)
            mFeatures.push_back(&f);
    }
    mFeatures.push_back(nullptr);
    mInstance = lilv_plugin_instantiate(mPlugin, rate, mFeatures.data());
    if (!mInstance)
        return;

    LilvWorld* world = World::Get().world();
    LilvNode* audio = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* input = lilv_new_uri(world, LV2_CORE__InputPort);
    const uint32_t n = lilv_plugin_get_num_ports(mPlugin);
    mControls.assign(n, 0.0f);
    mAudio.assign(n, {});
    std::vector<float> defaults(n, 0.0f);
    lilv_plugin_get_port_ranges_float(mPlugin, nullptr, nullptr, defaults.data());
    for (uint32_t i = 0; i < n; ++i)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, i);
        if (lilv_port_is_a(mPlugin, port, audio))
        {
            mAudio[i].assign(static_cast<size_t>(mMaxBlock), 0.0f);
            (lilv_port_is_a(mPlugin, port, input) ? mAudioIn : mAudioOut).push_back(i);
            lilv_instance_connect_port(mInstance, i, mAudio[i].data());
        }
        else
        {
            mControls[i] = defaults[i];
            lilv_instance_connect_port(mInstance, i, &mControls[i]);
        }
    }
    lilv_node_free(audio);
    lilv_node_free(input);
    lilv_instance_activate(mInstance);
}

Instance::~Instance()
{
    if (!mInstance)
        return;
    lilv_instance_deactivate(mInstance);
    lilv_instance_free(mInstance);
}

Node Uri(const char* uri)
{
    return Node(lilv_new_uri(World::Get().world(), uri));
}

uint32_t Instance::PortIndex(const char* symbol) const
{
    LilvNode* sym = lilv_new_string(World::Get().world(), symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(mPlugin, sym);
    lilv_node_free(sym);
    if (!port)
        throw std::invalid_argument(symbol);
    return lilv_port_get_index(mPlugin, port);
}

float& Instance::Control(const char* symbol)
{
    return mControls[PortIndex(symbol)];
}

veltartest::Stereo Instance::Process(const veltartest::Stereo& in, int block)
{
    veltartest::Stereo out(in.Size());
    const std::vector<double>* inCh[2] = {&in.left, &in.right};
    std::vector<double>* outCh[2] = {&out.left, &out.right};
    for (size_t pos = 0; pos < in.Size();)
    {
        const size_t n = std::min<size_t>(static_cast<size_t>(block), in.Size() - pos);
        for (size_t c = 0; c < mAudioIn.size(); ++c)
        {
            std::vector<float>& buf = mAudio[mAudioIn[c]];
            if (buf.size() < n)
                buf.resize(n);
            lilv_instance_connect_port(mInstance, mAudioIn[c], buf.data());
            for (size_t s = 0; s < n; ++s)
                buf[s] = static_cast<float>((*inCh[c])[pos + s]);
        }
        for (uint32_t port : mAudioOut)
        {
            std::vector<float>& buf = mAudio[port];
            if (buf.size() < n)
                buf.resize(n);
            lilv_instance_connect_port(mInstance, port, buf.data());
        }
        lilv_instance_run(mInstance, static_cast<uint32_t>(n));
        for (size_t c = 0; c < mAudioOut.size(); ++c)
            for (size_t s = 0; s < n; ++s)
                (*outCh[c])[pos + s] = mAudio[mAudioOut[c]][s];
        pos += n;
    }
    return out;
}

namespace
{
const void* GetPortValue(const char* symbol, void* data, uint32_t* size, uint32_t* type)
{
    auto* self = static_cast<Instance*>(data);
    *size = sizeof(float);
    *type = World::Get().Urids().Map(LV2_ATOM__Float);
    return &self->Control(symbol);
}

void SetPortValue(const char* symbol, void* data, const void* value, uint32_t size, uint32_t type)
{
    auto* self = static_cast<Instance*>(data);
    if (size == sizeof(float) && type == World::Get().Urids().Map(LV2_ATOM__Float))
        self->Control(symbol) = *static_cast<const float*>(value);
}
} // namespace

LilvState* Instance::SaveState()
{
    UridMap& urids = World::Get().Urids();
    LV2_URID_Map* map = static_cast<LV2_URID_Map*>(const_cast<void*>(urids.MapFeature()->data));
    return lilv_state_new_from_instance(mPlugin, mInstance, map, nullptr, nullptr, nullptr, nullptr,
                                        GetPortValue, this,
                                        LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
}

void Instance::RestoreState(const LilvState* state)
{
    lilv_state_restore(state, mInstance, SetPortValue, this, 0, nullptr);
}

namespace
{
struct Record
{
    std::vector<unsigned char> bytes;
    LV2_URID type;
};

LV2_State_Status StoreRecord(LV2_State_Handle h, uint32_t, const void* value, size_t size,
                             uint32_t type, uint32_t)
{
    auto* r = static_cast<Record*>(h);
    r->bytes.assign(static_cast<const unsigned char*>(value),
                    static_cast<const unsigned char*>(value) + size);
    r->type = type;
    return LV2_STATE_SUCCESS;
}

const void* RetrieveRecord(LV2_State_Handle h, uint32_t, size_t* size, uint32_t* type,
                           uint32_t* flags)
{
    auto* r = static_cast<Record*>(h);
    *size = r->bytes.size();
    *type = r->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return r->bytes.data();
}
} // namespace

LV2_State_Status Instance::SaveRecord(std::vector<unsigned char>& bytes, LV2_URID& type)
{
    const auto* iface = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
    const LV2_Feature* const features[] = {World::Get().Urids().MapFeature(), nullptr};
    Record record{{}, 0};
    const LV2_State_Status status =
        iface ? iface->save(lilv_instance_get_handle(mInstance), StoreRecord, &record, 0, features)
              : LV2_STATE_ERR_NO_FEATURE;
    bytes = record.bytes;
    type = record.type;
    return status;
}

LV2_State_Status Instance::RestoreRecord(const std::vector<unsigned char>& bytes, LV2_URID type)
{
    const auto* iface = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
    const LV2_Feature* const features[] = {World::Get().Urids().MapFeature(), nullptr};
    Record record{bytes, type ? type : World::Get().Urids().Map(LV2_ATOM__Chunk)};
    return iface ? iface->restore(lilv_instance_get_handle(mInstance), RetrieveRecord, &record, 0,
                                  features)
                 : LV2_STATE_ERR_NO_FEATURE;
}

} // namespace lv2test
