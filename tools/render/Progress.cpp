#include "Progress.h"

#include <algorithm>
#include <string>

namespace veltar_render
{
namespace
{
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, int64_t total)
    : mStream(stream), mEnabled(enabled && total > 0), mTotal(total)
{
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
    const int filled = percent * kBarWidth / 100;
    std::fprintf(mStream, "\rrendering [%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(), percent);
    std::fflush(mStream);
}

void ProgressBar::Finish()
{
    if (!mEnabled || mShownPercent < 0)
    {
        return;
    }
    std::fprintf(mStream, "\r%*s\r", kBarWidth + 18, "");
    std::fflush(mStream);
    mShownPercent = -1;
}

} // namespace veltar_render
