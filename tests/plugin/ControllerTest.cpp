// The controller half as hosts use it: parameter list and conversions, units and programs, and
// the state the host keeps in its projects.
#include "HostedPlugin.h"
// After the host's own SDK headers.
#include "ComponentHandler.h"
#include "MemoryStream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <thread>

using namespace Steinberg;
using namespace Steinberg::Vst;
using veltartest::FromHost;
using veltartest::HostedPlugin;
using veltartest::kBypassID;
using veltartest::kPresetID;
using veltartest::Stereo;
using veltartest::TestSignal;

namespace
{

std::string StringByValue(HostedPlugin& p, ParamID id, double value)
{
    String128 text = {};
    if (p.controller->getParamStringByValue(id, value, text) != kResultOk)
        return "<refused>";
    return FromHost(text);
}

double ValueByString(HostedPlugin& p, ParamID id, const char* text)
{
    String128 wide = {};
    for (int i = 0; text[i] && i < 127; ++i)
        wide[i] = static_cast<char16>(text[i]);
    ParamValue value = -1.0;
    EXPECT_EQ(p.controller->getParamValueByString(id, wide, value), kResultOk) << text;
    return value;
}

std::vector<char> StateOf(const std::vector<double>& values, int32 bypass)
{
    std::vector<char> bytes(values.size() * sizeof(double) + sizeof(bypass));
    std::memcpy(bytes.data(), values.data(), values.size() * sizeof(double));
    std::memcpy(bytes.data() + values.size() * sizeof(double), &bypass, sizeof(bypass));
    return bytes;
}

// ---- parameter list

TEST(VeltarParameters, PresetAndBypassComeFirstThenThePlugInsOwn)
{
    HostedPlugin p;
    ASSERT_EQ(p.controller->getParameterCount(), 9);
    struct Row
    {
        ParamID id;
        const char* title;
        const char* units;
        int32 stepCount;
        double defaultValue;
        int32 flags;
    };
    const Row rows[] = {
        {kPresetID, "Preset", "", 1, 0.0, ParameterInfo::kIsProgramChange},
        {kBypassID, "Bypass", "", 1, 0.0, 0x10009},
        {0, "Input", "dB", 0, 0.0, ParameterInfo::kCanAutomate},
        {1, "Output", "dB", 0, 0.5, ParameterInfo::kCanAutomate},
        {2, "Low", "", 0, 0.5, ParameterInfo::kCanAutomate},
        {3, "High", "", 0, 0.5, ParameterInfo::kCanAutomate},
        {4, "Transformer", "", 1, 1.0, ParameterInfo::kCanAutomate},
        {5, "Bus", "", 1, 1.0, ParameterInfo::kCanAutomate},
        {6, "Model", "", 2, 0.0, ParameterInfo::kCanAutomate},
    };
    std::set<ParamID> ids;
    for (int32 i = 0; i < 9; ++i)
    {
        ParameterInfo info = {};
        ASSERT_EQ(p.controller->getParameterInfo(i, info), kResultOk);
        const Row& row = rows[i];
        EXPECT_EQ(info.id, row.id) << i;
        EXPECT_EQ(FromHost(info.title), row.title) << i;
        EXPECT_EQ(FromHost(info.shortTitle), "") << i;
        EXPECT_EQ(FromHost(info.units), row.units) << i;
        EXPECT_EQ(info.stepCount, row.stepCount) << row.title;
        EXPECT_EQ(info.defaultNormalizedValue, row.defaultValue) << row.title;
        EXPECT_EQ(info.flags, row.flags) << row.title;
        EXPECT_EQ(info.unitId, kRootUnitId) << row.title;
        ids.insert(info.id);
        // A fresh instance stands at its defaults.
        if (row.id != kPresetID)
        {
            EXPECT_EQ(p.controller->getParamNormalized(row.id), row.defaultValue) << row.title;
        }
    }
    EXPECT_EQ(ids.size(), 9u);
    ParameterInfo info = {};
    EXPECT_NE(p.controller->getParameterInfo(9, info), kResultOk);
    EXPECT_NE(p.controller->getParameterInfo(-1, info), kResultOk);
}

TEST(VeltarParameters, DisplayStringsComeFromThePlugInsParameters)
{
    HostedPlugin p;
    EXPECT_EQ(StringByValue(p, 0, 0.5), "6.00");
    EXPECT_EQ(StringByValue(p, 1, 0.75), "12.00");
    EXPECT_EQ(StringByValue(p, 2, 0.3), "0.30");
    EXPECT_EQ(StringByValue(p, 4, 1.0), "out");
    EXPECT_EQ(StringByValue(p, 6, 0.5), "QUAD");
    EXPECT_EQ(StringByValue(p, kBypassID, 1.0), "<refused>");
    EXPECT_EQ(StringByValue(p, kPresetID, 0.0), "<refused>");
    EXPECT_EQ(StringByValue(p, 7, 0.0), "<refused>");
}

// What a host prints for a position is what it gets by setting that position.
TEST(VeltarParameters, TheTextOfAPositionNamesTheValueItSets)
{
    HostedPlugin p;
    EXPECT_EQ(StringByValue(p, 4, 0.9), "out");
    EXPECT_EQ(StringByValue(p, 5, 0.3), "in");
    EXPECT_EQ(StringByValue(p, 6, 0.8), "NK");
    EXPECT_EQ(StringByValue(p, 6, 0.74), "QUAD");
    for (ParamID id : {4u, 5u, 6u})
        for (double pos : {0.0, 0.2, 0.26, 0.49, 0.5, 0.74, 0.76, 0.9, 1.0})
        {
            p.Set(id, pos);
            const double set = p.controller->getParamNormalized(id);
            EXPECT_EQ(StringByValue(p, id, pos), StringByValue(p, id, set)) << id << " " << pos;
        }
}

TEST(VeltarParameters, ShownWordsReadBackAsTheirValues)
{
    HostedPlugin p;
    EXPECT_EQ(ValueByString(p, 4, "in"), 0.0);
    EXPECT_EQ(ValueByString(p, 5, "out"), 1.0);
    EXPECT_EQ(ValueByString(p, 6, "SRPP"), 0.0);
    EXPECT_EQ(ValueByString(p, 6, "QUAD"), 0.5);
    EXPECT_EQ(ValueByString(p, 6, "NK"), 1.0);
    // Numbers still read as values; a word of another parameter is no number.
    EXPECT_EQ(ValueByString(p, 6, "1"), 0.5);
    EXPECT_EQ(ValueByString(p, 4, "NK"), 0.0);
    for (ParamID id = 0; id < 7; ++id)
        for (double pos : {0.0, 0.5, 1.0})
        {
            p.Set(id, pos);
            const double set = p.controller->getParamNormalized(id);
            EXPECT_DOUBLE_EQ(ValueByString(p, id, StringByValue(p, id, set).c_str()), set) << id;
        }
}

TEST(VeltarParameters, TextsReadAsNumbersInTheParametersUnits)
{
    HostedPlugin p;
    // Input runs 0 to 24 dB on a square-law knob.
    EXPECT_DOUBLE_EQ(ValueByString(p, 0, "3.5"), std::sqrt(3.5 / 24.0));
    EXPECT_DOUBLE_EQ(ValueByString(p, 0, "6"), 0.5);
    EXPECT_EQ(ValueByString(p, 0, "30"), 1.0);
    EXPECT_EQ(ValueByString(p, 0, "-3"), 0.0);
    EXPECT_DOUBLE_EQ(ValueByString(p, 2, "0.35"), 0.35);
    EXPECT_EQ(ValueByString(p, 2, "20"), 1.0);
    // No number: the position of the plain value 0, which is mid-travel for Output.
    EXPECT_EQ(ValueByString(p, 2, "abc"), 0.0);
    EXPECT_EQ(ValueByString(p, 1, "abc"), 0.5);
    EXPECT_EQ(ValueByString(p, 1, ""), 0.5);
    EXPECT_EQ(ValueByString(p, 1, "nan"), 0.5);
    EXPECT_EQ(ValueByString(p, 1, "inf"), 0.5);
    EXPECT_DOUBLE_EQ(ValueByString(p, 1, "-12 dB"), 0.25);
}

TEST(VeltarParameters, PlainAndNormalisedConversions)
{
    HostedPlugin p;
    EXPECT_DOUBLE_EQ(p.controller->plainParamToNormalized(0, 6.0), 0.5);
    EXPECT_EQ(p.controller->plainParamToNormalized(0, 100.0), 1.0);
    EXPECT_DOUBLE_EQ(p.controller->plainParamToNormalized(1, -12.0), 0.25);
    EXPECT_EQ(p.controller->plainParamToNormalized(6, 2.0), 1.0);
    EXPECT_EQ(p.controller->plainParamToNormalized(kBypassID, 0.7), 0.7);
    EXPECT_EQ(p.controller->plainParamToNormalized(1234, 2.5), 2.5);
    EXPECT_DOUBLE_EQ(p.controller->normalizedParamToPlain(0, 0.5), 6.0);
    EXPECT_DOUBLE_EQ(p.controller->normalizedParamToPlain(1, 0.25), -12.0);
    EXPECT_EQ(p.controller->normalizedParamToPlain(6, 0.5), 1.0);
}

TEST(VeltarParameters, OnlyThePlugInsOwnParametersCanBeSetByTheController)
{
    HostedPlugin p;
    EXPECT_EQ(p.controller->setParamNormalized(kBypassID, 1.0), kResultFalse);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 0.0);
    EXPECT_EQ(p.controller->setParamNormalized(kPresetID, 0.0), kResultFalse);
    EXPECT_EQ(p.controller->setParamNormalized(7, 0.5), kResultFalse);
    EXPECT_EQ(p.controller->setParamNormalized(0xFFFFFFFF, 0.5), kResultFalse);
    EXPECT_EQ(p.controller->setParamNormalized(0, 0.25), kResultOk);
    EXPECT_EQ(p.controller->getParamNormalized(0), 0.25);
    EXPECT_EQ(p.controller->setParamNormalized(3, std::numeric_limits<double>::quiet_NaN()),
              kResultOk);
    EXPECT_EQ(p.controller->getParamNormalized(3), 0.5);
    EXPECT_EQ(p.controller->getParamNormalized(kPresetID), 0.0);
    EXPECT_EQ(p.controller->getParamNormalized(7), 0.0);
}

// ---- units and programs

TEST(VeltarUnits, OneRootUnitAndTheFactoryPresetList)
{
    HostedPlugin p;
    EXPECT_EQ(p.units->getUnitCount(), 1);
    UnitInfo unit = {};
    ASSERT_EQ(p.units->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, kRootUnitId);
    EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
    EXPECT_EQ(unit.programListId, kNoProgramListId);
    EXPECT_EQ(FromHost(unit.name), "Root Unit");
    EXPECT_EQ(p.units->getUnitInfo(1, unit), kResultFalse);
    EXPECT_EQ(p.units->getUnitInfo(-1, unit), kResultFalse);
    EXPECT_EQ(p.units->getSelectedUnit(), kRootUnitId);

    EXPECT_EQ(p.units->getProgramListCount(), 0);
    ProgramListInfo list = {};
    ASSERT_EQ(p.units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, static_cast<ProgramListID>(kPresetID));
    EXPECT_EQ(list.programCount, 1);
    EXPECT_EQ(FromHost(list.name), "Factory Presets");
    EXPECT_EQ(p.units->getProgramListInfo(1, list), kResultFalse);

    String128 name = {};
    ASSERT_EQ(p.units->getProgramName(kPresetID, 0, name), kResultOk);
    EXPECT_EQ(FromHost(name), "-");
    EXPECT_EQ(p.units->getProgramName(0, 0, name), kResultFalse);
    EXPECT_EQ(p.units->getProgramName(kPresetID, 5, name), kResultOk);
    EXPECT_EQ(FromHost(name), "");
}

// ---- state

// The three ways a host hands a stored record to the plug-in.
enum class Restore
{
    kComponent,
    kController,
    kComponentToController
};

tresult RestoreThrough(HostedPlugin& p, Restore way, const std::vector<char>& bytes)
{
    vst3host::MemoryStream stream(bytes);
    switch (way)
    {
    case Restore::kComponent:
        return p.component->setState(&stream);
    case Restore::kComponentToController:
        return p.controller->setComponentState(&stream);
    default:
        return p.controller->setState(&stream);
    }
}

TEST(VeltarState, ComponentStateIsTheControllerRecord)
{
    HostedPlugin a;
    a.Set(1, 0.25);
    a.Set(4, 0.0);
    a.Set(6, 0.8);
    a.Set(kBypassID, 1.0);
    vst3host::MemoryStream componentState;
    ASSERT_EQ(a.component->getState(&componentState), kResultOk);
    EXPECT_EQ(componentState.GetData(), a.SaveState());
    EXPECT_EQ(componentState.GetData(), StateOf({0.0, -12.0, 0.5, 0.5, 0.0, 1.0, 2.0}, 1));
    EXPECT_NE(a.component->getState(nullptr), kResultOk);

    // Each way in gives the same instance; a host that hands over both, in either order, too.
    for (Restore way : {Restore::kComponent, Restore::kController, Restore::kComponentToController})
    {
        HostedPlugin b;
        ASSERT_EQ(RestoreThrough(b, way, componentState.GetData()), kResultOk);
        EXPECT_EQ(b.SaveState(), componentState.GetData());
        EXPECT_EQ(b.controller->getParamNormalized(kBypassID), 1.0);
    }
    HostedPlugin both;
    ASSERT_EQ(RestoreThrough(both, Restore::kController, componentState.GetData()), kResultOk);
    ASSERT_EQ(RestoreThrough(both, Restore::kComponent, componentState.GetData()), kResultOk);
    ASSERT_EQ(RestoreThrough(both, Restore::kComponentToController, componentState.GetData()),
              kResultOk);
    EXPECT_EQ(both.SaveState(), componentState.GetData());
}

TEST(VeltarState, ProjectsWithOnlyAControllerStateLoadAsBefore)
{
    HostedPlugin a;
    a.Set(0, 0.5);
    a.Set(5, 0.0);
    const std::vector<char> saved = a.SaveState();

    // Older projects hold nothing for the component: its empty record changes no value.
    HostedPlugin b;
    EXPECT_EQ(RestoreThrough(b, Restore::kComponent, {}), kResultFalse);
    EXPECT_EQ(RestoreThrough(b, Restore::kComponentToController, {}), kResultFalse);
    EXPECT_EQ(b.PlainValues(), (std::vector<double>{0.0, 0.0, 0.5, 0.5, 1.0, 1.0, 0.0}));
    ASSERT_EQ(b.LoadState(saved), kResultOk);
    EXPECT_EQ(b.SaveState(), saved);
}

TEST(VeltarState, BrokenRecordsGetTheSameAnswerWhicheverWayTheyCome)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<char> shortRecord = StateOf({20.0, 10.0, 0.25, 0.0, 0.0, 0.0, 0.0}, 1);
    shortRecord.resize(20);
    const std::vector<char> notNumbers = StateOf({nan, 3.0, nan, nan, nan, nan, nan}, 0);
    for (const std::vector<char>& record : {shortRecord, notNumbers})
    {
        HostedPlugin reference;
        reference.Set(3, 0.8);
        const tresult expected = reference.LoadState(record);
        for (Restore way : {Restore::kComponent, Restore::kComponentToController})
        {
            HostedPlugin p;
            p.Set(3, 0.8);
            EXPECT_EQ(RestoreThrough(p, way, record), expected);
            EXPECT_EQ(p.PlainValues(), reference.PlainValues());
            for (double v : p.PlainValues())
                EXPECT_FALSE(std::isnan(v));
        }
    }
}

// ---- telling the host to re-read values

TEST(VeltarRestart, EveryRestoreAsksTheHostToReReadValuesOnItsOwnThread)
{
    HostedPlugin p;
    vst3test::ComponentHandler handler;
    ASSERT_EQ(p.controller->setComponentHandler(&handler), kResultOk);
    const std::vector<char> saved = StateOf({3.0, 1.0, 0.2, 0.7, 0.0, 1.0, 1.0}, 0);

    for (Restore way : {Restore::kComponent, Restore::kController, Restore::kComponentToController})
    {
        handler.Clear();
        std::thread host([&] { EXPECT_EQ(RestoreThrough(p, way, saved), kResultOk); });
        const std::thread::id hostThread = host.get_id();
        host.join();
        EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kParamValuesChanged});
        EXPECT_EQ(handler.GetRestartThreads(), std::vector<std::thread::id>{hostThread});
    }
    // A stream too short to hold the bypass flag may still have changed values.
    handler.Clear();
    std::vector<char> noBypass = saved;
    noBypass.resize(56);
    EXPECT_EQ(p.LoadState(noBypass), kResultFalse);
    EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kParamValuesChanged});

    // Single edits are the host's own: nothing to re-read.
    handler.Clear();
    p.Set(2, 0.9);
    EXPECT_EQ(p.controller->setParamNormalized(3, 0.1), kResultOk);
    p.SaveState();
    p.controller->getParamNormalized(2);
    EXPECT_TRUE(handler.GetRestartFlags().empty());
    ASSERT_EQ(p.controller->setComponentHandler(nullptr), kResultOk);
}

TEST(VeltarRestart, PresetChosenWhileProcessingIsAnnouncedFromTheHostsUIThread)
{
    HostedPlugin p;
    vst3test::ComponentHandler handler;
    ASSERT_EQ(p.controller->setComponentHandler(&handler), kResultOk);
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    p.Set(0, 0.5);
    p.Set(6, 1.0);

    vst3host::ParameterChanges in;
    vst3host::ParameterChanges out;
    in.AddPoint(kPresetID, 0, 0.0);
    std::thread audio(
        [&]
        {
            ProcessData data;
            data.inputParameterChanges = &in;
            data.outputParameterChanges = &out;
            EXPECT_EQ(p.processor->process(data), kResultOk);
        });
    audio.join();
    EXPECT_TRUE(handler.GetRestartFlags().empty());
    // The block reports the preset's values back at once.
    ASSERT_EQ(out.getParameterCount(), veltartest::kNumPlugParams);
    for (int32 i = 0; i < out.getParameterCount(); ++i)
    {
        IParamValueQueue* queue = out.getParameterData(i);
        int32 offset = -1;
        ParamValue value = -1.0;
        ASSERT_EQ(queue->getPoint(0, offset, value), kResultOk);
        EXPECT_EQ(value, p.controller->getParamNormalized(queue->getParameterId()));
    }
    EXPECT_EQ(p.PlainValues(), (std::vector<double>{0.0, 0.0, 0.5, 0.5, 1.0, 1.0, 0.0}));
    EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kParamValuesChanged});
    EXPECT_EQ(handler.GetRestartThreads(),
              std::vector<std::thread::id>{std::this_thread::get_id()});
    ASSERT_EQ(p.controller->setComponentHandler(nullptr), kResultOk);
}

TEST(VeltarState, SavesSevenLittleEndianDoublesAndTheBypassFlag)
{
    HostedPlugin p;
    std::vector<char> state = p.SaveState();
    ASSERT_EQ(state.size(), 60u);
    EXPECT_EQ(state, StateOf({0.0, 0.0, 0.5, 0.5, 1.0, 1.0, 0.0}, 0));
    // Byte order spelled out for the first value that is not zero: 0.5 is 3F E0 00 .. 00.
    EXPECT_EQ(static_cast<unsigned char>(state[16 + 7]), 0x3F);
    EXPECT_EQ(static_cast<unsigned char>(state[16 + 6]), 0xE0);

    p.Set(0, 0.5);
    p.Set(6, 1.0);
    p.Set(kBypassID, 1.0);
    EXPECT_EQ(p.SaveState(), StateOf({6.0, 0.0, 0.5, 0.5, 1.0, 1.0, 2.0}, 1));
    EXPECT_NE(p.controller->getState(nullptr), kResultOk);
}

TEST(VeltarState, RestoreBringsBackValuesBypassAndSound)
{
    HostedPlugin a;
    vst3host::ParameterChanges changes;
    const double positions[] = {0.6, 0.3, 0.85, 0.2, 0.0, 0.0, 0.5};
    for (ParamID id = 0; id < 7; ++id)
        changes.AddPoint(id, 0, positions[id]);
    ASSERT_EQ(a.Flush(changes), kResultOk);
    const std::vector<char> saved = a.SaveState();

    HostedPlugin b;
    ASSERT_EQ(b.LoadState(saved), kResultOk);
    EXPECT_EQ(b.SaveState(), saved);
    for (ParamID id = 0; id < 7; ++id)
        EXPECT_EQ(b.controller->getParamNormalized(id), a.controller->getParamNormalized(id));
    EXPECT_EQ(b.controller->getParamNormalized(kBypassID), 0.0);

    // The restored values reach the chain, not only the parameters.
    ASSERT_EQ(a.Setup(48000.0), kResultOk);
    ASSERT_EQ(b.Setup(48000.0), kResultOk);
    const Stereo in = TestSignal(3000);
    EXPECT_EQ(veltartest::FirstDifference(a.Process(in), b.Process(in)), -1);

    a.Set(kBypassID, 1.0);
    ASSERT_EQ(b.LoadState(a.SaveState()), kResultOk);
    EXPECT_EQ(b.controller->getParamNormalized(kBypassID), 1.0);
    EXPECT_EQ(veltartest::FirstDifference(b.Process(in), in), -1);
    std::vector<char> anyNonZero = StateOf(b.PlainValues(), 7);
    ASSERT_EQ(b.LoadState(StateOf(b.PlainValues(), 0)), kResultOk);
    EXPECT_EQ(b.controller->getParamNormalized(kBypassID), 0.0);
    ASSERT_EQ(b.LoadState(anyNonZero), kResultOk);
    EXPECT_EQ(b.controller->getParamNormalized(kBypassID), 1.0);
}

TEST(VeltarState, StreamWithoutBypassSetsValuesButFails)
{
    HostedPlugin p;
    p.Set(kBypassID, 1.0);
    std::vector<char> values = StateOf({12.0, -6.0, 0.1, 0.9, 0.0, 0.0, 1.0}, 0);
    values.resize(56);
    EXPECT_EQ(p.LoadState(values), kResultFalse);
    EXPECT_EQ(p.PlainValues(), (std::vector<double>{12.0, -6.0, 0.1, 0.9, 0.0, 0.0, 1.0}));
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 1.0);
}

TEST(VeltarState, ShortStreamsKeepTheValuesTheyLack)
{
    HostedPlugin p;
    p.Set(3, 0.8);
    p.Set(6, 1.0);
    std::vector<char> bytes = StateOf({20.0, 10.0, 0.25, 0.0, 0.0, 0.0, 0.0}, 1);
    bytes.resize(20);
    EXPECT_EQ(p.LoadState(bytes), kResultFalse);
    const std::vector<double> v = p.PlainValues();
    EXPECT_EQ(v[0], 20.0);
    EXPECT_EQ(v[1], 10.0);
    // Half of its bytes came from the stream: whatever they make, it stays a value in range.
    EXPECT_TRUE(v[2] >= 0.0 && v[2] <= 1.0) << v[2];
    EXPECT_EQ(v[3], 0.8);
    EXPECT_EQ(v[4], 1.0);
    EXPECT_EQ(v[5], 1.0);
    EXPECT_EQ(v[6], 2.0);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 0.0);

    // A host stream that answers ok but delivers fewer bytes than asked.
    HostedPlugin q;
    vst3host::MemoryStream capped(StateOf({24.0, 24.0, 1.0, 1.0, 0.0, 0.0, 2.0}, 1));
    capped.SetReadLimit(24);
    EXPECT_EQ(q.controller->setState(&capped), kResultFalse);
    EXPECT_EQ(q.PlainValues(), (std::vector<double>{24.0, 24.0, 1.0, 0.5, 1.0, 1.0, 0.0}));

    // Nothing at all, and no stream.
    EXPECT_EQ(q.LoadState({}), kResultFalse);
    EXPECT_EQ(q.PlainValues(), (std::vector<double>{24.0, 24.0, 1.0, 0.5, 1.0, 1.0, 0.0}));
    EXPECT_NE(q.controller->setState(nullptr), kResultOk);
}

// A stream that never ends: every read delivers a whole buffer of the record, again and again.
class EndlessStream : public vst3host::MemoryStream
{
public:
    explicit EndlessStream(std::vector<char> record) : mRecord(std::move(record)) {}

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        auto* out = static_cast<char*>(buffer);
        for (int32 i = 0; i < numBytes; ++i, ++mPos)
            out[i] = mRecord[mPos % mRecord.size()];
        if (numBytesRead)
            *numBytesRead = numBytes;
        return kResultOk;
    }

private:
    std::vector<char> mRecord;
    size_t mPos = 0;
};

TEST(VeltarState, BytesAfterTheRecordAreLeftForLaterVersions)
{
    const std::vector<char> record = StateOf({12.0, -6.0, 0.25, 0.75, 0.0, 0.0, 1.0}, 1);
    // A later version's extension after the record, which this one does not know.
    std::vector<char> longer = record;
    for (const char c : std::string("xtn1\2\0\0\0\7\7", 10))
        longer.push_back(c);
    HostedPlugin p;
    ASSERT_EQ(p.LoadState(longer), kResultOk);
    EXPECT_EQ(p.SaveState(), record);

    // However far a stream goes on, the restore reads a bounded part of it and ends.
    HostedPlugin q;
    EndlessStream endless(record);
    ASSERT_EQ(q.controller->setState(&endless), kResultOk);
    EXPECT_EQ(q.SaveState(), record);
}

TEST(VeltarState, ValuesThatAreNotNumbersNeverReachTheSound)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(p.LoadState(StateOf({nan, inf, -inf, 1e308, nan, -inf, inf}, 0)), kResultOk);
    const std::vector<double> v = p.PlainValues();
    EXPECT_EQ(v, (std::vector<double>{0.0, 24.0, 0.0, 1.0, 1.0, 0.0, 2.0}));
    for (ParamID id = 0; id < 7; ++id)
    {
        const double n = p.controller->getParamNormalized(id);
        EXPECT_TRUE(n >= 0.0 && n <= 1.0) << id;
    }
    const Stereo out = p.Process(TestSignal(4000));
    EXPECT_TRUE(veltartest::AllFinite(out));
}

TEST(VeltarState, RestoresWhileAnotherThreadProcesses)
{
    HostedPlugin p;
    vst3test::ComponentHandler handler;
    ASSERT_EQ(p.controller->setComponentHandler(&handler), kResultOk);
    ASSERT_EQ(p.Setup(48000.0, kSample64, 256), kResultOk);
    const std::vector<char> loud = StateOf({24.0, 24.0, 1.0, 1.0, 0.0, 0.0, 2.0}, 0);
    const std::vector<char> quiet = StateOf({0.0, -24.0, 0.0, 0.0, 1.0, 1.0, 0.0}, 0);
    std::atomic<bool> done{false};
    std::thread audio(
        [&]
        {
            const Stereo in = TestSignal(256);
            for (int block = 0; block < 400; ++block)
                EXPECT_TRUE(veltartest::AllFinite(p.Process(in, {256})));
            done = true;
        });
    int restores = 0;
    while (!done || restores < 50)
    {
        EXPECT_EQ(p.LoadState(restores % 2 ? loud : quiet), kResultOk);
        const std::vector<char> now = p.SaveState();
        EXPECT_EQ(now, restores % 2 ? loud : quiet);
        ++restores;
    }
    audio.join();
    // Every restore was announced, each from this thread and none from the audio thread.
    EXPECT_EQ(handler.GetRestartThreads(),
              std::vector<std::thread::id>(restores, std::this_thread::get_id()));
    ASSERT_EQ(p.controller->setComponentHandler(nullptr), kResultOk);
}

} // namespace
