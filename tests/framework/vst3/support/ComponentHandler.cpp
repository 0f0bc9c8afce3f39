#include "ComponentHandler.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3test
{

std::vector<ComponentHandler::Edit> ComponentHandler::GetEdits() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mEdits;
}

std::vector<int32> ComponentHandler::GetRestartFlags() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRestartFlags;
}

std::vector<std::thread::id> ComponentHandler::GetRestartThreads() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRestartThreads;
}

std::vector<bool> ComponentHandler::GetDirtyMarks() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mDirtyMarks;
}

void ComponentHandler::Clear()
{
    std::lock_guard<std::mutex> lock(mMutex);
    mEdits.clear();
    mRestartFlags.clear();
    mRestartThreads.clear();
    mDirtyMarks.clear();
}

void ComponentHandler::Record(const Edit& edit)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mEdits.push_back(edit);
}

tresult PLUGIN_API ComponentHandler::beginEdit(ParamID id)
{
    Record({EditKind::kBegin, id, 0.0});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized)
{
    Record({EditKind::kPerform, id, valueNormalized});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::endEdit(ParamID id)
{
    Record({EditKind::kEnd, id, 0.0});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mRestartFlags.push_back(flags);
    mRestartThreads.push_back(std::this_thread::get_id());
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::setDirty(TBool state)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mDirtyMarks.push_back(state != 0);
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID queried, void** obj)
{
    if (FUnknownPrivate::iidEqual(queried, IComponentHandler2::iid))
    {
        *obj = static_cast<IComponentHandler2*>(this);
        addRef();
        return kResultOk;
    }
    return vst3host::QueryOwnInterface<IComponentHandler>(this, queried, obj);
}

} // namespace vst3test
