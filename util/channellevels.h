#pragma once

// The levels of samples as a meter needs them, whoever measures them: the signal chain as it
// passes them, or the plug-in framework around it.
struct ChannelLevels
{
    double peak = 0.0;       // the largest magnitude; samples that are not numbers are skipped
    double sumSquares = 0.0; // not a number when a sample is not
};
