#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace veltar_render
{

// A one-line progress bar with the time left, redrawn in place whenever the whole percentage
// changes, as wide as the terminal allows. A disabled bar draws nothing, so callers need not check.
class ProgressBar
{
public:
    // columns: the terminal's width; the bar is left out of narrower lines than it needs.
    ProgressBar(std::FILE* stream, bool enabled, int64_t total, int columns);
    void Update(int64_t done);
    // Removes the bar so that what follows starts on a clean line.
    void Finish();

    // The line for done of total after elapsed seconds, at most columns characters.
    static std::string Line(int64_t done, int64_t total, double elapsed, int columns);

private:
    std::FILE* mStream;
    bool mEnabled;
    int64_t mTotal;
    int mColumns;
    int mShownPercent = -1;
    std::chrono::steady_clock::time_point mStart;
};

// The width of the terminal on fd, or 80 when it tells none.
int TerminalColumns(int fd);

} // namespace veltar_render
