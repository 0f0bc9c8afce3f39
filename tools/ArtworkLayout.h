// Where the editor's bitmaps go and how large their frames are. The generator draws to these
// sizes and the artwork test checks the committed files against them.
#pragma once

#include "plugin/PanelMeters.h"

const int kPanelWidth = 352;
const int kPanelHeight = 568;

// The editor names its bitmaps with the folder they lie in; the generator writes into it.
constexpr int kImageFolderLength = sizeof("resources/img/") - 1;

struct ArtworkControl
{
    const char* file;
    int frames;
    int left;
    int top;
    int frameWidth;
    int frameHeight;
};

// The panel is symmetric about x = 176: the knob, switch and selector widths follow from the
// fixed left edges (102 + 148 / 2, 47 + 88 + 217 = 352 − 47 …, 5 + 69 = 352 − 278). The meters
// sit under the switches, mirrored as well (31 + 16 = 352 − 305).
const ArtworkControl kArtworkControls[] = {
    {"IN.png", 61, 102, 19, 148, 148},
    {"OUT.png", 61, 102, 187, 148, 148},
    {"LOW.png", 61, 47, 347, 88, 88},
    {"HIGH.png", 61, 217, 347, 88, 88},
    {"BUS.png", 2, 278, 144, 69, 96},
    {"XFMR.png", 2, 5, 144, 69, 96},
    {"MODEL.png", 3, 105, 455, 142, 100},
    {kPanelMeters[0].file + kImageFolderLength, kMeterFrames, kPanelMeters[0].left,
     kPanelMeters[0].top, kMeterWidth, kMeterHeight},
    {kPanelMeters[1].file + kImageFolderLength, kMeterFrames, kPanelMeters[1].left,
     kPanelMeters[1].top, kMeterWidth, kMeterHeight},
};
