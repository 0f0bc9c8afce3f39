#pragma once

#include "RefCount.h"

// A host-side test that read the SDK's controller header unrenamed already has the interface.
#ifndef kVstComponentControllerClass
#include "editcontroller.h"
#endif

#include <mutex>
#include <thread>
#include <vector>

namespace vst3test
{

// A host's component handler that records what the plug-in tells it, the project marked changed
// among it.
class ComponentHandler : public Steinberg::Vst::IComponentHandler,
                         public Steinberg::Vst::IComponentHandler2
{
public:
    enum class EditKind
    {
        kBegin,
        kPerform,
        kEnd
    };
    struct Edit
    {
        EditKind kind;
        Steinberg::Vst::ParamID id;
        Steinberg::Vst::ParamValue value; // 0 for begin and end
    };

    virtual ~ComponentHandler() = default;

    // Copies, so that a test can read them while the plug-in goes on editing from another thread.
    std::vector<Edit> GetEdits() const;
    std::vector<Steinberg::int32> GetRestartFlags() const;
    // The thread of each restartComponent call, in the order of GetRestartFlags.
    std::vector<std::thread::id> GetRestartThreads() const;
    // The values of the setDirty calls, in order.
    std::vector<bool> GetDirtyMarks() const;
    void Clear();

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue valueNormalized) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;

    Steinberg::tresult PLUGIN_API setDirty(Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API requestOpenEditor(Steinberg::FIDString) override
    {
        return Steinberg::kNotImplemented;
    }
    Steinberg::tresult PLUGIN_API startGroupEdit() override { return Steinberg::kNotImplemented; }
    Steinberg::tresult PLUGIN_API finishGroupEdit() override { return Steinberg::kNotImplemented; }

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried,
                                                 void** obj) override;
    VST3HOST_REFCOUNT_METHODS

private:
    void Record(const Edit& edit);

    mutable std::mutex mMutex;
    std::vector<Edit> mEdits;
    std::vector<Steinberg::int32> mRestartFlags;
    std::vector<std::thread::id> mRestartThreads;
    std::vector<bool> mDirtyMarks;
    vst3host::RefCount mRefs;
};

} // namespace vst3test
