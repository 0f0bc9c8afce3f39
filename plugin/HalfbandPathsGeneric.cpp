#include "plugin/HalfbandPath.h"

// Architectures with one code path only.
const HalfbandPath& FastestHalfbandPath()
{
    return BaselineHalfbandPath();
}
