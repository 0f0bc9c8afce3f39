#pragma once

#include "RefCount.h"

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>
#include <vector>

namespace vst3host
{

// One parameter's value points within a block, kept in sample-offset order.
class ParamValueQueue : public Steinberg::Vst::IParamValueQueue
{
public:
    explicit ParamValueQueue(Steinberg::Vst::ParamID id) : mId(id) {}
    virtual ~ParamValueQueue() = default;

    // Makes every getPoint answer false, as a queue whose points cannot be read.
    void SetUnreadable(bool unreadable) { mUnreadable = unreadable; }

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return mId; }
    Steinberg::int32 PLUGIN_API getPointCount() override;
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    // A point at an offset that already has one replaces its value.
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        return QueryOwnInterface<Steinberg::Vst::IParamValueQueue>(this, queried, obj);
    }
    VST3HOST_REFCOUNT_METHODS

private:
    struct Point
    {
        Steinberg::int32 offset;
        Steinberg::Vst::ParamValue value;
    };
    Steinberg::Vst::ParamID mId;
    std::vector<Point> mPoints;
    bool mUnreadable = false;
    RefCount mRefs;
};

// The changes of one block: one queue per parameter, in the order they were first added.
class ParameterChanges : public Steinberg::Vst::IParameterChanges
{
public:
    virtual ~ParameterChanges() = default;

    // Adds a point to the parameter's queue, creating the queue on first use.
    ParamValueQueue* AddPoint(Steinberg::Vst::ParamID id, Steinberg::int32 sampleOffset,
                              Steinberg::Vst::ParamValue value);
    // A new queue for the parameter even when it has one already: a careless host's changes,
    // which a plug-in must survive.
    ParamValueQueue* AppendQueue(Steinberg::Vst::ParamID id);
    void Clear() { mQueues.clear(); }

    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        return QueryOwnInterface<Steinberg::Vst::IParameterChanges>(this, queried, obj);
    }
    VST3HOST_REFCOUNT_METHODS

private:
    std::vector<std::unique_ptr<ParamValueQueue>> mQueues;
    RefCount mRefs;
};

} // namespace vst3host
