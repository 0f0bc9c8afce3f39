#pragma once

// A small LV2 host on lilv, written as hosts use the library: the built bundle loaded into a
// world, a URID map, instances with their ports connected to buffers the host owns, and state
// saved and restored through lilv.
#include "StereoSignal.h"
#include "plugin/ChannelStrip.h"

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lv2test
{

constexpr const char* kStereoURI = "urn:com.QuillstoneAudio:VELTAR";
constexpr const char* kMonoURI = "urn:com.QuillstoneAudio:VELTAR#mono";

// A node that lilv hands over, freed with the holder.
struct Node
{
    explicit Node(LilvNode* n) : node(n) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    LilvNode* node;
};

// URIs to numbers and back, as a host's map and unmap features.
class UridMap
{
public:
    UridMap();
    LV2_URID Map(const char* uri);
    const char* Unmap(LV2_URID urid) const;
    const LV2_Feature* MapFeature() { return &mMapFeature; }
    const LV2_Feature* UnmapFeature() { return &mUnmapFeature; }

private:
    std::map<std::string, LV2_URID> mIds;
    std::vector<std::string> mUris;
    LV2_URID_Map mMap;
    LV2_URID_Unmap mUnmap;
    LV2_Feature mMapFeature;
    LV2_Feature mUnmapFeature;
};

// The world with the built bundle loaded, kept for the whole program.
class World
{
public:
    static World& Get();
    LilvWorld* world() const { return mWorld; }
    const LilvPlugin* Plugin(const char* uri) const;
    UridMap& Urids() { return mUrids; }

private:
    World();
    LilvWorld* mWorld;
    UridMap mUrids;
};

// One instance with every port connected to a buffer of its own. maxBlock > 0 tells the plug-in
// its largest block through the options feature; 0 gives no options.
class Instance
{
public:
    Instance(const char* uri, double rate, int maxBlock = 512);
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool Ok() const { return mInstance != nullptr; }
    LilvInstance* Lilv() const { return mInstance; }
    const LilvPlugin* Plugin() const { return mPlugin; }
    uint32_t PortIndex(const char* symbol) const;
    // The control value the host holds for the port of that symbol.
    float& Control(const char* symbol);
    float& ControlAt(uint32_t index) { return mControls[index]; }

    // Runs the input through in blocks of the given size, as 32-bit floats; a stereo instance
    // reads both channels, a mono one the left.
    veltartest::Stereo Process(const veltartest::Stereo& in, int block);

    // State saved through lilv (port values and the plug-in's own state) and restored.
    LilvState* SaveState();
    void RestoreState(const LilvState* state);
    // The plug-in's own state interface driven directly with the one record it keeps, of type
    // (0: an atom chunk), as a host hands it over.
    LV2_State_Status SaveRecord(std::vector<unsigned char>& bytes, LV2_URID& type);
    LV2_State_Status RestoreRecord(const std::vector<unsigned char>& bytes, LV2_URID type = 0);

private:
    const LilvPlugin* mPlugin;
    LilvInstance* mInstance = nullptr;
    std::vector<float> mControls;
    std::vector<std::vector<float>> mAudio;
    std::vector<uint32_t> mAudioIn, mAudioOut;
    int mMaxBlock;
    int32_t mMaxBlockOption = 0;
    std::vector<LV2_Feature> mFeatureStore;
    std::vector<const LV2_Feature*> mFeatures;
    std::vector<LV2_Options_Option> mOptions;
};

// A URI node of the world's.
Node Uri(const char* uri);

} // namespace lv2test
