// An LV2 host that gets everything wrong, through the module's descriptors as a host loads them:
// odd sample rates, features present, missing or malformed (the URID map, the options with the
// maximum block length), ports connected by any index to any buffer or to nothing, control ports
// holding values that are not numbers, out of range or on the edge between two steps, blocks of no
// frames and of many, activation and deactivation in any order, and state restored from properties
// of any type and size. The instance must keep its parameters in range, save the 60-byte state
// record (with the oversampling section after it when a factor is chosen) and restore it to
// itself, report the latency of a factor it offers, and, given finite input, play finite output.
//
// Every input gets a new instance: the rate and the features are fixed at instantiation, and an
// instance's signal chain keeps its history across deactivate and activate, so that a reused one
// would make an input's outcome depend on the inputs before it.
#include "FuzzCheck.h"

#include "framework/core/StateExtension.h"
#include "framework/lv2/PlugModuleLV2.h"

#include "lv2/atom/atom.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/core/lv2.h"
#include "lv2/options/options.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr size_t kRecordSize = 60;
// The longest block a host runs here; the audio buffers hold that many frames.
constexpr uint32_t kMaxFrames = 20000;
constexpr int kBuffers = 4;
constexpr int kSlots = 4;

// The parameters as a new instance has them: defaults and ranges, by parameter index.
struct ParamInfo
{
    double defaultValue, min, max;
};

// What a new instance tells of itself: its parameters, the largest oversampling factor and the
// latency of each factor.
struct TableInfo
{
    std::vector<ParamInfo> params;
    int maxOversampling;
    std::vector<float> latencies;
};

const TableInfo& Table()
{
    static const TableInfo table = []
    {
        std::unique_ptr<IFxLV2> plug(MakePlug());
        TableInfo info;
        for (int i = 0; i < plug->NParams(); ++i)
            info.params.push_back({plug->GetParam(i)->Value(), plug->GetParam(i)->GetMin(),
                                   plug->GetParam(i)->GetMax()});
        info.maxOversampling = plug->GetMaxOversampling();
        for (int f = 1; OversamplingChoice::IsFactor(f, info.maxOversampling); f *= 2)
            info.latencies.push_back(static_cast<float>(plug->OversamplingLatency(f)));
        return info;
    }();
    return table;
}

const std::vector<ParamInfo>& Params()
{
    return Table().params;
}

// A URID map as hosts keep one: each URI gets the next number, from 1.
struct UridMap
{
    std::vector<std::string> uris;
    LV2_URID_Map feature{this, Map};

    static LV2_URID Map(LV2_URID_Map_Handle handle, const char* uri)
    {
        auto& self = *static_cast<UridMap*>(handle);
        for (size_t i = 0; i < self.uris.size(); ++i)
            if (self.uris[i] == uri)
                return static_cast<LV2_URID>(i + 1);
        self.uris.emplace_back(uri);
        return static_cast<LV2_URID>(self.uris.size());
    }
    LV2_URID operator()(const char* uri) { return Map(this, uri); }
};

// What a host offers at instantiation, each feature maybe missing or malformed.
struct FeatureChoice
{
    int mapKind; // 0: no map, 1: a map without its function, else a map
    int64_t blockLength;
    int optionIndex; // the option before the list's end or after an empty one, which ends it
    bool otherKey, otherType, longSize, noValue, unnamed, noOptions;

    explicit FeatureChoice(FuzzedDataProvider& in)
    {
        static const int32_t kBlocks[] = {1, 64, 512, 4096, 8192, 8193, 100000, 0, -1};
        mapKind = in.ConsumeIntegralInRange(0, 15);
        blockLength =
            in.ConsumeBool() ? in.PickValueInArray(kBlocks) : in.ConsumeIntegral<int32_t>();
        optionIndex = in.ConsumeIntegralInRange(0, 1);
        otherKey = in.ConsumeIntegralInRange(0, 7) == 0;
        otherType = in.ConsumeIntegralInRange(0, 7) == 0;
        longSize = in.ConsumeIntegralInRange(0, 7) == 0;
        noValue = in.ConsumeIntegralInRange(0, 15) == 0;
        unnamed = in.ConsumeIntegralInRange(0, 7) == 0;
        noOptions = in.ConsumeIntegralInRange(0, 7) == 0;
    }
};

// The features' data, which lives as long as the instance.
struct Features
{
    UridMap map;
    LV2_URID_Map mapWithoutFunction{&map, nullptr};
    int64_t blockLength;
    LV2_Options_Option options[3] = {};
    LV2_Feature mapFeature{LV2_URID__map, nullptr};
    LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
    LV2_Feature unnamed{nullptr, nullptr};
    std::vector<const LV2_Feature*> list;
    bool hasMap;

    explicit Features(const FeatureChoice& choice)
        : blockLength(choice.blockLength), hasMap(choice.mapKind > 1)
    {
        mapFeature.data = choice.mapKind == 1 ? &mapWithoutFunction : &map.feature;
        LV2_Options_Option& o = options[choice.optionIndex];
        o.context = LV2_OPTIONS_INSTANCE;
        o.key = map(choice.otherKey ? LV2_BUF_SIZE__minBlockLength : LV2_BUF_SIZE__maxBlockLength);
        o.type = map(choice.otherType ? LV2_ATOM__Long : LV2_ATOM__Int);
        o.size = choice.longSize ? sizeof(int64_t) : sizeof(int32_t);
        o.value = choice.noValue ? nullptr : &blockLength;
        if (choice.unnamed)
            list.push_back(&unnamed);
        if (choice.mapKind != 0)
            list.push_back(&mapFeature);
        if (!choice.noOptions)
            list.push_back(&optionsFeature);
        list.push_back(nullptr);
    }
    Features(const Features&) = delete;
    Features& operator=(const Features&) = delete;
};

// One property as the host's state store holds it.
struct Property
{
    std::vector<uint8_t> value;
    uint32_t type = 0, flags = 0;
    bool present = false;

    static LV2_State_Status Store(LV2_State_Handle handle, uint32_t, const void* value, size_t size,
                                  uint32_t type, uint32_t flags)
    {
        auto& self = *static_cast<Property*>(handle);
        const auto* bytes = static_cast<const uint8_t*>(value);
        self.value.assign(bytes, bytes + size);
        self.type = type;
        self.flags = flags;
        self.present = true;
        return LV2_STATE_SUCCESS;
    }
    static const void* Retrieve(LV2_State_Handle handle, uint32_t, size_t* size, uint32_t* type,
                                uint32_t* flags)
    {
        auto& self = *static_cast<Property*>(handle);
        if (!self.present)
            return nullptr;
        *size = self.value.size();
        *type = self.type;
        *flags = self.flags;
        // A property of no bytes still has an address, as in a host's store.
        return self.value.empty() ? static_cast<const void*>(&self) : self.value.data();
    }
};

// An instance as the host holds it.
class Instance
{
public:
    Instance(int variant, double rate, Features& features)
        : mDescriptor(lv2_descriptor(static_cast<uint32_t>(variant))),
          mHandle(mDescriptor->instantiate(mDescriptor, rate, "/nowhere/VELTAR.lv2/",
                                           features.list.data())),
          mFeatures(features), mState(static_cast<const LV2_State_Interface*>(
                                   mDescriptor->extension_data(LV2_STATE__interface))),
          mChannels(variant == 0 ? 2 : 1)
    {
        FUZZ_CHECK(mState && mState->save && mState->restore);
    }
    ~Instance()
    {
        if (mHandle)
            mDescriptor->cleanup(mHandle);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    bool Valid() const { return mHandle != nullptr; }
    int Channels() const { return mChannels; }
    // The module's own port order for this variant.
    LV2PortLayout Layout() const
    {
        LV2PortLayout layout;
        layout.nIn = layout.nOut = mChannels;
        layout.nParams = static_cast<int>(Params().size());
        layout.oversampling = Table().maxOversampling > 0;
        layout.nMeterPorts = kLV2NumMeterPorts;
        return layout;
    }
    uint32_t NumPorts() const { return Layout().NumPorts(); }
    uint32_t FirstControl() const { return Layout().FirstControl(); }
    void Connect(uint32_t port, void* data) { mDescriptor->connect_port(mHandle, port, data); }
    void Activate()
    {
        mDescriptor->activate(mHandle);
        mActive = true;
    }
    void Deactivate()
    {
        mDescriptor->deactivate(mHandle);
        mActive = false;
    }
    bool Active() const { return mActive; }
    void Run(uint32_t nFrames) { mDescriptor->run(mHandle, nFrames); }

    // The state record; empty when the host has no URID map.
    std::vector<uint8_t> Save()
    {
        Property saved;
        const LV2_State_Status status =
            mState->save(mHandle, Property::Store, &saved, LV2_STATE_IS_POD, nullptr);
        if (!mFeatures.hasMap)
        {
            FUZZ_CHECK(status == LV2_STATE_ERR_NO_FEATURE && !saved.present);
            return {};
        }
        FUZZ_CHECK(status == LV2_STATE_SUCCESS && saved.present);
        FUZZ_CHECK(saved.type == mFeatures.map(LV2_ATOM__Chunk));
        FUZZ_CHECK(saved.flags & LV2_STATE_IS_POD);
        CheckRecord(saved.value);
        return saved.value;
    }

    LV2_State_Status Restore(Property& property)
    {
        return mState->restore(mHandle, Property::Retrieve, &property, 0, nullptr);
    }

    // Parameters in range, whatever the host did; the bypass flag a plain switch; after them
    // nothing, or an oversampling choice off the default of factors the plug-in offers.
    static void CheckRecord(const std::vector<uint8_t>& record)
    {
        FUZZ_CHECK(record.size() >= kRecordSize);
        bool found = false;
        const OversamplingChoice choice = DecodeOversamplingSection(
            record.data() + kRecordSize, record.size() - kRecordSize, &found);
        FUZZ_CHECK(found == (record.size() > kRecordSize));
        FUZZ_CHECK(!found || (!choice.IsDefault() && choice.IsValid(Table().maxOversampling)));
        for (size_t i = 0; i < Params().size(); ++i)
        {
            double v;
            std::memcpy(&v, record.data() + i * sizeof(v), sizeof(v));
            FUZZ_CHECK(std::isfinite(v) && v >= Params()[i].min && v <= Params()[i].max);
        }
        int32_t bypassed;
        std::memcpy(&bypassed, record.data() + kRecordSize - sizeof(bypassed), sizeof(bypassed));
        FUZZ_CHECK(bypassed == 0 || bypassed == 1);
    }

    // The state restores to itself.
    void CheckStateRoundTrips()
    {
        Property saved;
        saved.value = Save();
        if (saved.value.empty())
            return;
        saved.present = true;
        saved.type = mFeatures.map(LV2_ATOM__Chunk);
        FUZZ_CHECK(Restore(saved) == LV2_STATE_SUCCESS);
        FUZZ_CHECK(Save() == saved.value);
    }

private:
    const LV2_Descriptor* mDescriptor;
    LV2_Handle mHandle;
    Features& mFeatures;
    const LV2_State_Interface* mState;
    int mChannels;
    bool mActive = false;
};

// The buffers a host connects ports to: audio blocks and control values.
struct HostBuffers
{
    std::vector<std::vector<float>> audio =
        std::vector<std::vector<float>>(kBuffers, std::vector<float>(kMaxFrames));
    float controls[kSlots] = {};
    // Per port: an audio buffer (0 to kBuffers - 1), a control slot (kBuffers and up), or none.
    std::vector<int> connections;
    // Samples that are not numbers have gone in, which a bypass that delays by the latency may
    // still be handing on.
    bool fedNonFinite = false;
};

// A value for a control port: one on or just past the edges of the parameter's range or between
// two of its steps, one that is not a number, or any number.
float ControlValue(FuzzedDataProvider& in, int paramIdx)
{
    if (paramIdx < 0 || in.ConsumeIntegralInRange(0, 3) == 0)
    {
        static const float kValues[] = {0.0f, 1.0f, -1.0f, 0.5f, kNaN, kInf, -kInf, 1e30f, -1e30f};
        return in.ConsumeBool() ? in.PickValueInArray(kValues) : in.ConsumeFloatingPoint<float>();
    }
    const ParamInfo& p = Params()[static_cast<size_t>(paramIdx)];
    const float min = static_cast<float>(p.min), max = static_cast<float>(p.max);
    const float step = std::floor(in.ConsumeFloatingPointInRange(min, max)) + 0.5f;
    const float values[] = {min,
                            max,
                            std::nextafter(min, -kInf),
                            std::nextafter(max, kInf),
                            step,
                            std::nextafter(step, -kInf),
                            std::nextafter(step, kInf),
                            static_cast<float>(p.defaultValue),
                            in.ConsumeFloatingPointInRange(min, max)};
    return in.PickValueInArray(values);
}

void ConnectSome(FuzzedDataProvider& in, Instance& plug, HostBuffers& buffers)
{
    uint32_t port = in.ConsumeIntegralInRange<uint32_t>(0, plug.NumPorts());
    if (in.ConsumeIntegralInRange(0, 15) == 0)
        port = in.ConsumeIntegral<uint32_t>();
    const int choice = in.ConsumeIntegralInRange(-1, kBuffers + kSlots - 1);
    // Audio ports take audio buffers; control ports any buffer.
    const bool isAudio = port < plug.FirstControl();
    const int target = isAudio && choice >= kBuffers ? choice - kBuffers : choice;
    void* data = target < 0          ? nullptr
                 : target < kBuffers ? static_cast<void*>(buffers.audio[target].data())
                                     : &buffers.controls[target - kBuffers];
    plug.Connect(port, data);
    if (port < plug.NumPorts())
        buffers.connections[port] = target;
}

void SetControl(FuzzedDataProvider& in, Instance& plug, HostBuffers& buffers)
{
    const int slot = in.ConsumeIntegralInRange(0, kSlots - 1);
    const LV2PortLayout layout = plug.Layout();
    // The oversampling port reading the slot gets factors, offered or not, and their edges.
    if (layout.oversampling && buffers.connections[layout.OversamplingPort()] == kBuffers + slot &&
        in.ConsumeBool())
    {
        static const float kFactors[] = {1.0f, 2.0f, 4.0f, 8.0f, 3.0f, 16.0f, 0.0f, 1.5f, 5.99f};
        buffers.controls[slot] = in.PickValueInArray(kFactors);
        return;
    }
    // The parameter whose port reads the slot, if any, gives the range to probe.
    int paramIdx = -1;
    for (uint32_t port = layout.FirstControl(); port < layout.EnabledPort(); ++port)
        if (buffers.connections[port] == kBuffers + slot)
            paramIdx = layout.ParamOfPort(port);
    buffers.controls[slot] = ControlValue(in, paramIdx);
}

void RunBlock(FuzzedDataProvider& in, Instance& plug, HostBuffers& buffers)
{
    uint32_t nFrames;
    const int kind = in.ConsumeIntegralInRange(0, 127);
    if (kind < 16)
        nFrames = 0;
    else if (kind == 16)
        nFrames = in.ConsumeIntegralInRange<uint32_t>(0, kMaxFrames);
    else if (kind < 31)
        nFrames = in.ConsumeIntegralInRange<uint32_t>(0, 1100);
    else
        nFrames = in.ConsumeIntegralInRange<uint32_t>(1, 70);
    // A tone with spikes in each buffer; the ones connected to outputs are overwritten.
    for (std::vector<float>& buffer : buffers.audio)
    {
        const float amplitude = in.ConsumeBool() ? 0.9f : ControlValue(in, -1);
        const double twoCos = 2.0 * std::cos(in.ConsumeFloatingPointInRange(0.0, 1.0));
        double previous = 0.0, current = in.ConsumeFloatingPointInRange(-1.0, 1.0);
        for (uint32_t n = 0; n < nFrames; ++n)
        {
            buffer[n] = static_cast<float>(amplitude * current);
            const double next = twoCos * current - previous;
            previous = current;
            current = next;
        }
        for (int spikes = in.ConsumeIntegralInRange(0, 2); spikes > 0 && nFrames > 0; --spikes)
            buffer[in.ConsumeIntegralInRange<uint32_t>(0, nFrames - 1)] = ControlValue(in, -1);
    }
    bool inputFinite = true;
    for (int c = 0; c < plug.Channels(); ++c)
        if (const int b = buffers.connections[static_cast<size_t>(c)]; b >= 0)
        {
            for (uint32_t n = 0; n < nFrames; ++n)
                inputFinite = inputFinite && std::isfinite(buffers.audio[b][n]);
        }

    // Hosts must activate before running; a careless one forgets.
    if (!plug.Active() && in.ConsumeBool())
        plug.Activate();
    plug.Run(nFrames);
    // The meters' ports read levels in their range, whatever the audio held.
    for (int k = 0; k < kLV2NumMeterPorts; ++k)
        if (const int b = buffers.connections[plug.Layout().MeterPort(k)]; b >= kBuffers)
        {
            const float level = buffers.controls[b - kBuffers];
            FUZZ_CHECK(level >= kLevelFloorDb && level <= kLevelCeilingDb);
        }
    // Saving checks the parameters the control ports set, and tells whether the block was
    // bypassed (without a URID map nothing tells, so it may have been).
    const std::vector<uint8_t> record = plug.Save();
    int32_t bypassed = 1;
    if (!record.empty())
        std::memcpy(&bypassed, record.data() + kRecordSize - sizeof(bypassed), sizeof(bypassed));
    // The latency output, where it is connected, is that of a factor the plug-in offers, unless
    // a meter port, written after it, shares its slot.
    const int latencySlot = buffers.connections[plug.Layout().LatencyPort()];
    bool shared = false;
    for (int k = 0; k < kLV2NumMeterPorts; ++k)
        shared = shared || buffers.connections[plug.Layout().MeterPort(k)] == latencySlot;
    if (const int slot = latencySlot; slot >= kBuffers && !shared)
    {
        const float latency = buffers.controls[slot - kBuffers];
        bool offered = false;
        for (float l : Table().latencies)
            offered = offered || latency == l;
        FUZZ_CHECK(offered);
    }
    // Bypassed, the plug-in hands its input on unchanged, samples that are not numbers included;
    // with a latency, the input of earlier blocks too.
    buffers.fedNonFinite = buffers.fedNonFinite || !inputFinite;
    if (buffers.fedNonFinite && bypassed != 0)
        return;
    for (int c = plug.Channels(); c < 2 * plug.Channels(); ++c)
        if (const int b = buffers.connections[static_cast<size_t>(c)]; b >= 0)
            for (uint32_t n = 0; n < nFrames; ++n)
                FUZZ_CHECK(std::isfinite(buffers.audio[b][n]));
}

// A host restores a property of any size and type, or one that is missing.
void SaveOrRestore(FuzzedDataProvider& in, Instance& plug, Features& features)
{
    if (in.ConsumeIntegralInRange(0, 3) == 0)
    {
        plug.CheckStateRoundTrips();
        return;
    }
    const std::vector<uint8_t> before = plug.Save();
    Property property;
    property.present = in.ConsumeIntegralInRange(0, 7) != 0;
    property.type = in.ConsumeIntegralInRange(0, 7) ? features.map(LV2_ATOM__Chunk)
                                                    : in.ConsumeIntegralInRange<uint32_t>(0, 9);
    property.flags = in.ConsumeIntegral<uint32_t>();
    const size_t size = in.ConsumeBool() ? kRecordSize : in.ConsumeIntegralInRange<size_t>(0, 100);
    if (in.ConsumeBool() && !before.empty())
    {
        // The saved record with some values changed: the likeliest corruption.
        property.value = before;
        property.value.resize(size);
        for (int n = in.ConsumeIntegralInRange(0, 3); n > 0 && size >= sizeof(double); --n)
        {
            static const double kDoubles[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300,
                                              0.5,          1.5,      2.0,       -1.0,  25.0};
            const double v = in.PickValueInArray(kDoubles);
            const size_t at = in.ConsumeIntegralInRange<size_t>(0, size - sizeof(v));
            std::memcpy(property.value.data() + at, &v, sizeof(v));
        }
    }
    else
        property.value = in.ConsumeBytes<uint8_t>(size);
    const LV2_State_Status status = plug.Restore(property);
    const std::vector<uint8_t> after = plug.Save();
    if (!features.hasMap)
        FUZZ_CHECK(status == LV2_STATE_ERR_NO_FEATURE);
    else if (!property.present)
        FUZZ_CHECK(status == LV2_STATE_ERR_NO_PROPERTY && after == before);
    else if (property.type != features.map(LV2_ATOM__Chunk))
        FUZZ_CHECK(status == LV2_STATE_ERR_BAD_TYPE && after == before);
    else if (property.value.size() < kRecordSize)
        FUZZ_CHECK(status == LV2_STATE_ERR_UNKNOWN && after == before);
    else
        FUZZ_CHECK(status == LV2_STATE_SUCCESS);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    static const double kRates[] = {44100.0, 48000.0,      96000.0,  192000.0,  8000.0, 1.0,   0.0,
                                    -1.0,    std::nan(""), HUGE_VAL, -HUGE_VAL, 1e9,    1e-300};
    const int variant = in.ConsumeIntegralInRange(0, 1);
    const double rate =
        in.ConsumeBool() ? in.PickValueInArray(kRates) : in.ConsumeFloatingPoint<double>();
    const FeatureChoice choice(in);
    Features features(choice);
    Instance plug(variant, rate, features);
    FUZZ_CHECK(plug.Valid() == (rate > 0.0 && std::isfinite(rate)));
    if (!plug.Valid())
        return 0;

    HostBuffers buffers;
    buffers.connections.assign(plug.NumPorts(), -1);
    for (int round = 0; round < 24 && in.remaining_bytes() > 0; ++round)
    {
        switch (in.ConsumeIntegralInRange(0, 9))
        {
        case 0:
        case 1:
            ConnectSome(in, plug, buffers);
            break;
        case 2:
            SetControl(in, plug, buffers);
            break;
        case 3:
            if (in.ConsumeBool())
                plug.Activate();
            else
                plug.Deactivate();
            break;
        case 4:
            SaveOrRestore(in, plug, features);
            break;
        default:
            RunBlock(in, plug, buffers);
            break;
        }
    }
    plug.CheckStateRoundTrips();
    return 0;
}
