// The plug-in's editor in a JUCE window, as a host built on JUCE opens it on Linux (skipped
// without a display).
#include "JuceHostSupport.h"
#include "X11TestDisplay.h"

#include "raster/RasterPNG.h"

#include <gtest/gtest.h>

#include <set>

using namespace jucehost;

namespace
{

std::vector<unsigned long> Descendants(X11TestDisplay& x, unsigned long window)
{
    std::vector<unsigned long> all;
    for (unsigned long child : x.Children(window))
    {
        all.push_back(child);
        for (unsigned long w : Descendants(x, child))
            all.push_back(w);
    }
    return all;
}

// The window of the given size among the descendants; 0 when there is none.
unsigned long WindowOfSize(X11TestDisplay& x, unsigned long top, int width, int height)
{
    for (unsigned long w : Descendants(x, top))
    {
        std::unique_ptr<Raster_IBitmap> pixels = x.Capture(w);
        if (pixels && pixels->getWidth() == width && pixels->getHeight() == height)
            return w;
    }
    return 0;
}

size_t Colours(Raster_IBitmap* bitmap)
{
    std::set<Raster_Pixel> colours;
    for (int j = 0; j < bitmap->getHeight(); ++j)
        for (int i = 0; i < bitmap->getWidth(); ++i)
            colours.insert(Raster_GetPixel(bitmap, i, j));
    return colours.size();
}

// A host's plug-in window: a JUCE top-level window holding the editor.
struct EditorWindow
{
    explicit EditorWindow(juce::AudioProcessorEditor& editor)
        : window("VELTAR", juce::Colours::black, 0)
    {
        window.setContentNonOwned(&editor, true);
        window.setVisible(true);
    }
    unsigned long Handle()
    {
        juce::ComponentPeer* peer = window.getPeer();
        return peer ? reinterpret_cast<unsigned long>(peer->getNativeHandle()) : 0;
    }
    juce::DocumentWindow window;
};

TEST(JuceHostX11, EditorOpensIsDrawnKeepsItsSizeAndCloses)
{
    std::unique_ptr<X11TestDisplay> x = X11TestDisplay::Open();
    if (!x)
        GTEST_SKIP() << "no X display";
    auto plug = CreateVeltar();
    std::unique_ptr<juce::AudioProcessorEditor> editor(plug->createEditorIfNeeded());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->getWidth(), 352);
    EXPECT_EQ(editor->getHeight(), 568);

    std::vector<unsigned long> windows;
    {
        EditorWindow host(*editor);
        Pump(400);
        const unsigned long top = host.Handle();
        ASSERT_NE(top, 0u);
        x->Sync();
        const unsigned long view = WindowOfSize(*x, top, 352, 568);
        ASSERT_NE(view, 0u);
        std::unique_ptr<Raster_IBitmap> drawn = x->Capture(view);
        ASSERT_NE(drawn, nullptr);
        EXPECT_GT(Colours(drawn.get()), 50u);
        std::unique_ptr<Raster_IBitmap> window = x->Capture(top);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(Raster_WritePNG("juce_host_editor.png", window.get()));

        // The panel has one size: a host that resizes its editor window keeps the panel whole
        // and drawn at that size.
        editor->setSize(500, 700);
        Pump(200);
        x->Sync();
        const unsigned long resized = WindowOfSize(*x, top, 352, 568);
        ASSERT_NE(resized, 0u);
        std::unique_ptr<Raster_IBitmap> redrawn = x->Capture(resized);
        ASSERT_NE(redrawn, nullptr);
        EXPECT_GT(Colours(redrawn.get()), 50u);
        windows = Descendants(*x, top);
        windows.push_back(top);
    }
    editor.reset();
    Pump(100);
    x->Sync();
    for (unsigned long w : windows)
        EXPECT_FALSE(x->Exists(w)) << w;
}

TEST(JuceHostX11, HundredEditorsComeAndGoWithoutATrace)
{
    std::unique_ptr<X11TestDisplay> x = X11TestDisplay::Open();
    if (!x)
        GTEST_SKIP() << "no X display";
    auto plug = CreateVeltar();
    const auto openAndClose = [&]
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor(plug->createEditorIfNeeded());
        ASSERT_NE(editor, nullptr);
        {
            EditorWindow host(*editor);
            Pump(5);
        }
        editor.reset();
        Pump(5);
    };
    openAndClose();
    const int files = OpenFiles();
    const int threads = Threads();
    for (int i = 0; i < 100; ++i)
        openAndClose();
    Pump(50);
    EXPECT_EQ(OpenFiles(), files);
    EXPECT_EQ(Threads(), threads);
}

} // namespace
