// Shared pieces of the editor tests: a recording host adapter, PNG strips written to a temporary
// resource folder, and an editor laid out like the product's.
#pragma once

#include "framework/core/testing/StandInAdapter.h"
#include "framework/graphics/IGraphics.h"
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "plugin/VELTARParams.h"

#include "TempFolder.h"

#include <memory>
#include <string>
#include <vector>

// The stand-in adapter with the product's parameters, at the product's indices.
class GfxTestPlug : public StandInAdapter
{
public:
    explicit GfxTestPlug(EAPI api = kAPIVST3);
};

// Frame sizes of the strips written by WriteTestResources.
const int kKnobSize = 50;
const int kSwitchW = 40, kSwitchH = 30;
const int kModelW = 60, kModelH = 20;

// The pixel every frame of a strip is filled with: red carries the frame index, green the
// resource, so a pixel read back from the screen tells which frame of which strip was drawn.
Raster_Pixel FramePixel(int resourceID, int frame);

// Writes a PNG of width × height 0xAARRGGBB pixels; answers whether it worked.
bool WritePNG(const std::string& path, int width, int height, const std::vector<Raster_Pixel>& px);

// A temporary folder holding resources/img/ with the product's strips (BG, IN, OUT, LOW, HIGH,
// BUS, XFMR, MODEL) in the test sizes above. Removed with the object.
class TestResources
{
public:
    TestResources();
    ~TestResources();
    std::string Root() const { return mFolder.Str(); }
    std::string ImagePath(const char* file) const { return mFolder.File("resources/img/") + file; }

private:
    testsupport::TempFolder mFolder{"veltar-gfx-"};
};

// An editor laid out like the product's (background and seven controls) for plug, with its
// bitmaps under root, attached to the plug-in. Control indices: 0 background, 1–4 knobs
// (Input, Output, Low, High), 5 Bus, 6 Transformer, 7 Model.
IGraphicsMac* BuildTestEditor(GfxTestPlug* plug, const std::string& root,
                              HeadlessNativeLayer** layer = nullptr);

#include <gtest/gtest.h>

// A product-like editor, attached and open in a headless view.
class EditorTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { sResources = new TestResources; }
    static void TearDownTestSuite()
    {
        delete sResources;
        sResources = nullptr;
    }
    void SetUp() override
    {
        mGraphics = BuildTestEditor(&mPlug, sResources->Root(), &mLayer);
        mGraphics->OpenWindow(nullptr);
    }

    IControl* Control(int idx) { return mGraphics->GetControl(idx); }
    // The frame index (0-based) last drawn at (x, y) of the draw bitmap.
    int DrawnFrame(int x, int y) const
    {
        return int(Raster_GetR(Raster_GetPixel(mGraphics->GetDrawBitmap(), x, y)));
    }
    int DrawnResource(int x, int y) const
    {
        return int(Raster_GetG(Raster_GetPixel(mGraphics->GetDrawBitmap(), x, y)));
    }
    // Runs timer ticks and paints until nothing is dirty.
    void Settle()
    {
        for (int i = 0; i < 4 && mLayer->RunFrame(); ++i)
        {
        }
    }

    static TestResources* sResources;
    GfxTestPlug mPlug;
    HeadlessNativeLayer* mLayer = nullptr;
    IGraphicsMac* mGraphics = nullptr;
};

// Control indices of the test editor.
enum
{
    kCtlBackground = 0,
    kCtlInput,
    kCtlOutput,
    kCtlLow,
    kCtlHigh,
    kCtlBus,
    kCtlTransformer,
    kCtlModel
};
