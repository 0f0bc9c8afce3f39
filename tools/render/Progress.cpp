#include "Progress.h"

#include <algorithm>
#include <string>
#include <sys/ioctl.h>

namespace veltar_render
{
namespace
{

constexpr int kDefaultColumns = 80;
constexpr int kMaxBarWidth = 50;
constexpr int kMinBarWidth = 10;

std::string TimeText(double seconds)
{
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, int64_t total, int columns)
    : mStream(stream), mEnabled(enabled && total > 0), mTotal(total), mColumns(columns),
      mStart(std::chrono::steady_clock::now())
{
}

std::string ProgressBar::Line(int64_t done, int64_t total, double elapsed, int columns)
{
    const int percent = static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
    char tail[64];
    std::snprintf(tail, sizeof tail, " %3d%%", percent);
    std::string text = tail;
    if (done > 0 && elapsed > 0.0)
    {
        text += ", " +
                TimeText(elapsed * static_cast<double>(total - done) / static_cast<double>(done)) +
                " left";
    }
    const std::string head = "rendering ";
    // Keep the last column free: a line that fills it makes some terminals wrap.
    const int room = columns - 1 - static_cast<int>(head.size() + text.size()) - 2;
    if (room < kMinBarWidth)
    {
        text = text.substr(1);
        return static_cast<int>(text.size()) < columns ? text
                                                       : text.substr(0, std::max(columns - 1, 0));
    }
    const int width = std::min(room, kMaxBarWidth);
    const int filled = percent * width / 100;
    return head + "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]" + text;
}

void ProgressBar::Update(int64_t done)
{
    if (!mEnabled)
    {
        return;
    }
    const int percent = static_cast<int>(std::clamp<int64_t>(done * 100 / mTotal, 0, 100));
    if (percent == mShownPercent)
    {
        return;
    }
    mShownPercent = percent;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
    // Clear to the end of the line: the time left can get shorter.
    std::fprintf(mStream, "\r%s\033[K", Line(done, mTotal, elapsed, mColumns).c_str());
    std::fflush(mStream);
}

void ProgressBar::Finish()
{
    if (!mEnabled || mShownPercent < 0)
    {
        return;
    }
    std::fprintf(mStream, "\r\033[K");
    std::fflush(mStream);
    mShownPercent = -1;
}

int TerminalColumns(int fd)
{
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
    {
        return kDefaultColumns;
    }
    return size.ws_col;
}

} // namespace veltar_render
