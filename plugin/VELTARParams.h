#pragma once

// The plug-in's parameters by index, in the order hosts, stored states and program files count
// them. Kept apart from VELTAR.h so that code which only names parameters needs no host API.
enum EParams
{
    kInput = 0,
    kOutput,
    kLow,
    kHigh,
    kTransformer,
    kBus,
    kModel,
    kNumParams
};
