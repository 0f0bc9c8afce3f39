#pragma once

#include "framework/core/PlugClassRecord.h"
#include "framework/lv2/IFxLV2.h"

// The plug-in's factory function, for the module's instantiate and for the editor's own object.
IFxLV2* MakePlug();
