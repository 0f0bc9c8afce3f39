#include "HostApplication.h"

#include "RunLoop.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{

tresult PLUGIN_API HostApplication::getName(String128 name)
{
    if (!name)
        return kInvalidArgument;
    size_t i = 0;
    for (; i < mName.size() && i < 127; ++i)
        name[i] = static_cast<char16>(static_cast<unsigned char>(mName[i]));
    name[i] = 0;
    return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID, TUID, void** obj)
{
    if (obj)
        *obj = nullptr;
    return kResultFalse;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID queried, void** obj)
{
    QUERY_INTERFACE(queried, obj, FUnknown::iid, IHostApplication)
    QUERY_INTERFACE(queried, obj, IHostApplication::iid, IHostApplication)
    if (mRunLoop)
        return mRunLoop->queryInterface(queried, obj);
    *obj = nullptr;
    return kNoInterface;
}

} // namespace vst3host
