#include "HostRunLoopVST3.h"

#include "pluginterfaces/gui/iplugview.h"

#include <atomic>
#include <vector>

using namespace Steinberg;

namespace
{

// One callback as the host sees it. The host takes references while it holds a handler; ours
// is dropped only when the adapter goes, so a handler that is unregistered from inside its own
// callback lives until that callback has returned.
template <class Interface> class Handler : public Interface
{
public:
    explicit Handler(std::function<void()> callback) : mCallback(std::move(callback)) {}
    virtual ~Handler() = default;

    void Call()
    {
        if (mCallback)
            mCallback();
    }
    void Forget() { mCallback = nullptr; }

    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        if (FUnknownPrivate::iidEqual(queried, Interface::iid) ||
            FUnknownPrivate::iidEqual(queried, FUnknown::iid))
        {
            this->addRef();
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++mRefs; }
    uint32 PLUGIN_API release() override
    {
        const uint32 left = --mRefs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::function<void()> mCallback;
    std::atomic<uint32> mRefs{1};
};

class EventHandler : public Handler<Linux::IEventHandler>
{
public:
    using Handler::Handler;
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor) override { Call(); }
};

class TimerHandler : public Handler<Linux::ITimerHandler>
{
public:
    using Handler::Handler;
    void PLUGIN_API onTimer() override { Call(); }
};

class VST3HostRunLoop : public IHostRunLoop
{
public:
    explicit VST3HostRunLoop(Linux::IRunLoop* loop) : mLoop(loop) {}
    ~VST3HostRunLoop() override
    {
        RemoveAll();
        for (EventHandler* h : mEvents)
        {
            h->Forget();
            h->release();
        }
        for (TimerHandler* h : mTimers)
        {
            h->Forget();
            h->release();
        }
    }

    bool AddFdHandler(int fd, std::function<void()> onReadable) override
    {
        if (!mLoop)
            return false;
        auto* handler = new EventHandler(std::move(onReadable));
        mEvents.push_back(handler);
        if (mLoop->registerEventHandler(handler, fd) == kResultOk)
            return mRegistered = true;
        return false;
    }

    bool AddTimer(int intervalMs, std::function<void()> onTick) override
    {
        if (!mLoop || intervalMs <= 0)
            return false;
        auto* handler = new TimerHandler(std::move(onTick));
        mTimers.push_back(handler);
        if (mLoop->registerTimer(handler, static_cast<Linux::TimerInterval>(intervalMs)) ==
            kResultOk)
            return mRegistered = true;
        return false;
    }

    void RemoveAll() override
    {
        if (!mLoop)
            return;
        Linux::IRunLoop* loop = mLoop;
        mLoop = nullptr;
        if (mRegistered)
        {
            // Unregistering one that was never registered is answered with an error; harmless.
            for (EventHandler* h : mEvents)
                loop->unregisterEventHandler(h);
            for (TimerHandler* h : mTimers)
                loop->unregisterTimer(h);
        }
        loop->release();
    }

private:
    Linux::IRunLoop* mLoop;
    bool mRegistered = false;
    std::vector<EventHandler*> mEvents;
    std::vector<TimerHandler*> mTimers;
};

} // namespace

std::unique_ptr<IHostRunLoop> MakeHostRunLoop(IPlugFrame* frame)
{
    if (!frame)
        return nullptr;
    Linux::IRunLoop* loop = nullptr;
    if (frame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) != kResultOk ||
        !loop)
        return nullptr;
    return std::make_unique<VST3HostRunLoop>(loop);
}
