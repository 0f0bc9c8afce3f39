// Where a level lies on a meter's scale. Straight lines join the marks, so that a scale can give
// the levels that matter most more room than a plain decibel scale would.
#pragma once

struct IMeterMark
{
    double db;
    double position; // 0 at the bottom of the bar, 1 at the top
};

struct IMeterScale
{
    const IMeterMark* marks; // rising in both fields
    int nMarks;

    // The position of a level, held to the scale's ends.
    double Position(double db) const
    {
        if (nMarks < 1 || !(db > marks[0].db))
            return nMarks < 1 ? 0.0 : marks[0].position;
        for (int i = 1; i < nMarks; ++i)
            if (db <= marks[i].db)
            {
                const IMeterMark& a = marks[i - 1];
                const IMeterMark& b = marks[i];
                return a.position + (b.position - a.position) * (db - a.db) / (b.db - a.db);
            }
        return marks[nMarks - 1].position;
    }
};
