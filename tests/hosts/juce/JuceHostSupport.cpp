#include "JuceHostSupport.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dirent.h>

#include <cmath>
#include <stdexcept>

namespace jucehost
{

namespace
{
// JUCE looks up the window manager's atoms without creating them and then uses them as they are;
// on a bare X server with no window manager (Xvfb in CI) they would be None and its first window
// would fail. Made here as a window manager would, while JUCE connects.
class WindowManagerAtoms
{
public:
    WindowManagerAtoms() : mDisplay(XOpenDisplay(nullptr))
    {
        const char* names[] = {"WM_PROTOCOLS",        "WM_TAKE_FOCUS",   "WM_DELETE_WINDOW",
                               "_NET_WM_PING",        "WM_CHANGE_STATE", "WM_STATE",
                               "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",   "_NET_WM_STATE_HIDDEN"};
        for (const char* name : names)
            if (mDisplay)
                XInternAtom(mDisplay, name, False);
    }
    ~WindowManagerAtoms()
    {
        if (mDisplay)
            XCloseDisplay(mDisplay);
    }
    WindowManagerAtoms(const WindowManagerAtoms&) = delete;
    WindowManagerAtoms& operator=(const WindowManagerAtoms&) = delete;

private:
    Display* mDisplay;
};

// JUCE's message manager and its other singletons live for the whole test program, created on
// the thread that runs the tests, as a host's UI thread owns them.
class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        // The server keeps the atoms while a client stays connected: JUCE connects before this
        // connection closes.
        WindowManagerAtoms atoms;
        mJuce = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        juce::Desktop::getInstance();
    }
    void TearDown() override { mJuce.reset(); }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> mJuce;
};
const ::testing::Environment* const kJuceEnvironment =
    ::testing::AddGlobalTestEnvironment(new JuceEnvironment);

int CountEntries(const char* dir)
{
    int n = 0;
    if (DIR* d = opendir(dir))
    {
        while (const dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}
} // namespace

juce::File Bundle()
{
    return juce::File(VELTAR_BUNDLE);
}

juce::PluginDescription Describe()
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile(types, VELTAR_BUNDLE);
    if (types.size() != 1)
        throw std::runtime_error("JUCE finds no single plug-in in " VELTAR_BUNDLE);
    return *types[0];
}

std::unique_ptr<juce::AudioPluginInstance> CreateVeltar()
{
    juce::VST3PluginFormat format;
    juce::String error;
    auto plug = format.createInstanceFromDescription(Describe(), kRate, kBlock, error);
    if (!plug)
        throw std::runtime_error(("JUCE cannot create the plug-in: " + error).toStdString());
    plug->setPlayConfigDetails(2, 2, kRate, kBlock);
    plug->prepareToPlay(kRate, kBlock);
    return plug;
}

juce::AudioProcessorParameter* Param(juce::AudioPluginInstance& plug, const juce::String& id)
{
    for (juce::AudioProcessorParameter* p : plug.getParameters())
        if (auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*>(p))
            if (hosted->getParameterID() == id)
                return p;
    return nullptr;
}

std::vector<juce::AudioProcessorParameter*> PlugParams(juce::AudioPluginInstance& plug)
{
    std::vector<juce::AudioProcessorParameter*> params;
    for (int i = 0; i < kNumPlugParams; ++i)
        params.push_back(Param(plug, juce::String(i)));
    return params;
}

juce::AudioBuffer<float> TestBlock()
{
    juce::AudioBuffer<float> block(2, kBlock);
    for (int i = 0; i < kBlock; ++i)
    {
        block.setSample(0, i, 0.6f * static_cast<float>(std::sin(0.031 * i)));
        block.setSample(1, i, 0.4f * static_cast<float>(std::sin(0.007 * i + 1.0)));
    }
    return block;
}

juce::AudioBuffer<float> Process(juce::AudioPluginInstance& plug,
                                 const juce::AudioBuffer<float>& in)
{
    juce::AudioBuffer<float> block(in);
    juce::MidiBuffer midi;
    plug.processBlock(block, midi);
    return block;
}

bool SameAudio(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;
    for (int c = 0; c < a.getNumChannels(); ++c)
        for (int i = 0; i < a.getNumSamples(); ++i)
            if (a.getSample(c, i) != b.getSample(c, i))
                return false;
    return true;
}

juce::MemoryBlock ProjectState(const juce::MemoryBlock& record, bool withComponent)
{
    juce::XmlElement state("VST3PluginState");
    if (withComponent)
        state.createNewChildElement("IComponent")->addTextElement(record.toBase64Encoding());
    state.createNewChildElement("IEditController")->addTextElement(record.toBase64Encoding());
    juce::MemoryBlock out;
    juce::AudioProcessor::copyXmlToBinary(state, out);
    return out;
}

juce::MemoryBlock WithoutComponentState(const juce::MemoryBlock& projectState)
{
    std::unique_ptr<juce::XmlElement> state = juce::AudioProcessor::getXmlFromBinary(
        projectState.getData(), static_cast<int>(projectState.getSize()));
    if (!state)
        return {};
    state->deleteAllChildElementsWithTagName("IComponent");
    juce::MemoryBlock out;
    juce::AudioProcessor::copyXmlToBinary(*state, out);
    return out;
}

void Pump(int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil(milliseconds);
}

int OpenFiles()
{
    return CountEntries("/proc/self/fd");
}

int Threads()
{
    return CountEntries("/proc/self/task");
}

} // namespace jucehost
