#include "ParameterChanges.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{

int32 PLUGIN_API ParamValueQueue::getPointCount()
{
    return static_cast<int32>(mPoints.size());
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
    if (mUnreadable || index < 0 || index >= getPointCount())
        return kResultFalse;
    sampleOffset = mPoints[static_cast<size_t>(index)].offset;
    value = mPoints[static_cast<size_t>(index)].value;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    size_t at = 0;
    while (at < mPoints.size() && mPoints[at].offset < sampleOffset)
        ++at;
    if (at < mPoints.size() && mPoints[at].offset == sampleOffset)
        mPoints[at].value = value;
    else
        mPoints.insert(mPoints.begin() + static_cast<std::ptrdiff_t>(at), {sampleOffset, value});
    index = static_cast<int32>(at);
    return kResultOk;
}

ParamValueQueue* ParameterChanges::AddPoint(ParamID id, int32 sampleOffset, ParamValue value)
{
    int32 index = 0;
    auto* queue = static_cast<ParamValueQueue*>(addParameterData(id, index));
    queue->addPoint(sampleOffset, value, index);
    return queue;
}

int32 PLUGIN_API ParameterChanges::getParameterCount()
{
    return static_cast<int32>(mQueues.size());
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
    if (index < 0 || index >= getParameterCount())
        return nullptr;
    return mQueues[static_cast<size_t>(index)].get();
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
    for (size_t i = 0; i < mQueues.size(); ++i)
    {
        if (mQueues[i]->getParameterId() == id)
        {
            index = static_cast<int32>(i);
            return mQueues[i].get();
        }
    }
    index = static_cast<int32>(mQueues.size());
    return AppendQueue(id);
}

ParamValueQueue* ParameterChanges::AppendQueue(ParamID id)
{
    mQueues.push_back(std::make_unique<ParamValueQueue>(id));
    return mQueues.back().get();
}

} // namespace vst3host
