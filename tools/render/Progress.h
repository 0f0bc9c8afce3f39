#pragma once

#include <cstdint>
#include <cstdio>

namespace veltar_render
{

// A one-line progress bar, redrawn in place whenever the whole percentage changes. A disabled bar
// draws nothing, so callers need not check.
class ProgressBar
{
public:
    ProgressBar(std::FILE* stream, bool enabled, int64_t total);
    void Update(int64_t done);
    // Removes the bar so that what follows starts on a clean line.
    void Finish();

private:
    std::FILE* mStream;
    bool mEnabled;
    int64_t mTotal;
    int mShownPercent = -1;
};

} // namespace veltar_render
