// The plug-in as a host built on JUCE's VST 3 hosting code holds it: the built bundle found and
// instantiated through juce::VST3PluginFormat, its parameters as JUCE presents them to a host's
// generic controls and automation.
#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>
#include <vector>

namespace jucehost
{

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kNumPlugParams = 7;
// The bypass parameter's VST 3 ID, 'bpas', as JUCE names parameters.
const juce::String kBypassID = juce::String(0x62706173);

// The built bundle and what JUCE's scan finds in it.
juce::File Bundle();
juce::PluginDescription Describe();

// A fresh instance of the bundle's plug-in, prepared for stereo blocks of kBlock at kRate.
std::unique_ptr<juce::AudioPluginInstance> CreateVeltar();

// The host-side parameter with the given VST 3 ID (the plug-in's own are "0" to "6").
juce::AudioProcessorParameter* Param(juce::AudioPluginInstance& plug, const juce::String& id);
// The plug-in's seven parameters, in index order.
std::vector<juce::AudioProcessorParameter*> PlugParams(juce::AudioPluginInstance& plug);

// A deterministic stereo test block of kBlock frames.
juce::AudioBuffer<float> TestBlock();
// Processes a copy of the block and returns it.
juce::AudioBuffer<float> Process(juce::AudioPluginInstance& plug,
                                 const juce::AudioBuffer<float>& in);
bool SameAudio(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b);

// The state JUCE stores in a project, made from the plug-in's own 60-byte record; withComponent
// false gives what projects saved before the plug-in had a component state hold.
juce::MemoryBlock ProjectState(const juce::MemoryBlock& record, bool withComponent);
// The project state with the component's part taken out.
juce::MemoryBlock WithoutComponentState(const juce::MemoryBlock& projectState);

// Runs JUCE's message loop for a while, as a host's UI thread does between calls.
void Pump(int milliseconds);

// Open file descriptors and threads of this process.
int OpenFiles();
int Threads();

} // namespace jucehost
