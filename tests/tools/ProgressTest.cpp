#include "Progress.h"

#include <gtest/gtest.h>

using namespace veltar_render;

TEST(RenderProgress, LineFitsTheTerminalAndTellsTheTimeLeft)
{
    // A quarter done in 10 s: 30 s to go.
    const std::string wide = ProgressBar::Line(250, 1000, 10.0, 120);
    EXPECT_EQ(wide, "rendering [############" + std::string(38, '.') + "]  25%, 0:30 left");
    for (int columns : {80, 40, 30, 12, 1})
    {
        const std::string line = ProgressBar::Line(500, 1000, 65.0, columns);
        EXPECT_LT(static_cast<int>(line.size()), std::max(columns, 2)) << columns << ": " << line;
    }
    EXPECT_EQ(ProgressBar::Line(500, 1000, 65.0, 30), " 50%, 1:05 left");
    // Nothing done yet: no guess at the time left.
    EXPECT_EQ(ProgressBar::Line(0, 1000, 0.0, 30), "rendering [............]   0%");
}
