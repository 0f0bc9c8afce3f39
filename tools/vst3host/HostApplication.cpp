#include "HostApplication.h"

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

} // namespace vst3host
