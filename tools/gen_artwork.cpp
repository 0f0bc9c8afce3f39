// Draws the editor's bitmaps: the panel and the frame strips of its knobs, switches and meters.
//
//   gen_artwork <outdir> [--preview <file.png>]
//
// Everything is drawn four times larger and reduced with a box filter, which is what smooths
// the edges. Each bitmap is written twice from the same drawing: at the panel's resolution
// (name.png) and at twice it (name@2x.png), for editors shown at a scale above 1. The controls'
// frames carry the panel under them, so they look the same whichever way they are composited. The
// output depends on nothing but this file, those in tools/artwork and the installed DejaVu fonts:
// noise comes from a fixed-seed generator and the PNG writer stores no time.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "raster/RasterPNG.h"
#include "tools/ArtworkLayout.h"
#include "tools/artwork/Controls.h"
#include "tools/artwork/Panel.h"

namespace
{

// The panel with one frame of each control composited at its place, to look at the design.
bool WritePreview(const char* outDir, const char* path)
{
    std::unique_ptr<Raster_IBitmap> panel(
        Raster_LoadPNG((std::string(outDir) + "/BG.png").c_str()));
    if (!panel)
        return false;
    const int shown[] = {18, 36, 12, 44, 1, 0, 1, 2, 1};
    int n = 0;
    for (const ArtworkControl& c : kArtworkControls)
    {
        std::unique_ptr<Raster_IBitmap> strip(
            Raster_LoadPNG((std::string(outDir) + "/" + c.file).c_str()));
        if (!strip)
            return false;
        Raster_Blit(panel.get(), strip.get(), c.left, c.top, 0, shown[n++] * c.frameHeight,
                    c.frameWidth, c.frameHeight, 1.0f,
                    RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    }
    return Raster_WritePNG(path, panel.get());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0))
    {
        std::fprintf(stderr, "usage: gen_artwork <outdir> [--preview <file.png>]\n");
        return 2;
    }
    const char* outDir = argv[1];
    Canvas panel(0, 0, kPanelWidth, kPanelHeight);
    PaintPanel(panel);
    Strip background(kPanelWidth, kPanelHeight, 1);
    background.Add(panel, 0);
    if (!background.Write(outDir, "BG.png"))
    {
        std::fprintf(stderr, "gen_artwork: cannot write to %s\n", outDir);
        return 1;
    }
    WriteKnobStrip(panel, outDir, "IN.png", {39, 30, 40, {208, 44, 32}});
    WriteKnobStrip(panel, outDir, "OUT.png", {39, 30, 40, {208, 44, 32}});
    WriteKnobStrip(panel, outDir, "LOW.png", {22, 16.5, 24, {36, 36, 40}});
    WriteKnobStrip(panel, outDir, "HIGH.png", {22, 16.5, 24, {52, 100, 196}});
    WriteSwitchStrip(panel, outDir, "BUS.png");
    WriteSwitchStrip(panel, outDir, "XFMR.png");
    WriteModelStrip(panel, outDir);
    WriteMeterStrips(panel, outDir);
    if (argc == 4 && !WritePreview(outDir, argv[3]))
    {
        std::fprintf(stderr, "gen_artwork: cannot write the preview %s\n", argv[3]);
        return 1;
    }
    return 0;
}
