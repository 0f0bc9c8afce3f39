// The adapter a plug-in is compiled against in this build: VST 3. Each adapter keeps a header of
// this name in a folder of its own; the build puts one of those folders on the plug-in's include
// path, so the plug-in's code names no host API.
#pragma once

#include "framework/vst3/PlugModule.h"

using IFxPlug = IFxVST3;
