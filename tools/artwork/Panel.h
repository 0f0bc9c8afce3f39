// The editor's background: brushed metal, screws, the knobs' scales, legends and rules.
#pragma once

#include "tools/artwork/Canvas.h"

void PaintPanel(Canvas& canvas);
