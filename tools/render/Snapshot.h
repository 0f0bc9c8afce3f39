#pragma once

#include "HostParameter.h"
#include "Options.h"

#include <memory>
#include <string>
#include <vector>

class IFxVST3;
class IGraphics;
class Raster_IBitmap;

namespace veltar_render
{

using vst3host::HostParameter;

// The folder of a plug-in bundle's resources, for a bundle folder (X.vst3) or the module file
// inside it. Answers false with a reason when the path names neither.
bool FindBundleResources(const std::string& pluginPath, std::string& resources, std::string& error);

// The plug-in's editor, drawn off screen as a host shows it. The plug-in object is the one linked
// into this program, not the module of a bundle: VST 3 views are not offered yet, so the editor
// is reached directly, and only its bitmaps come from a folder on disk.
class EditorSnapshot
{
public:
    EditorSnapshot();
    ~EditorSnapshot();
    EditorSnapshot(const EditorSnapshot&) = delete;
    EditorSnapshot& operator=(const EditorSnapshot&) = delete;

    // Creates and initialises the plug-in with its editor's bitmaps looked up under resourceRoot
    // (the folder that holds resources/img). Answers false when a bitmap was not found. Bitmaps
    // an earlier editor of this process loaded are reused: the editor's bitmap cache is shared.
    bool Create(const std::string& resourceRoot);

    // The plug-in's parameters as --set names them, with their plain ranges and steps.
    const std::vector<HostParameter>& GetParameters() const { return mParameters; }
    double GetParameter(uint32_t id) const;

    // Checks every setting as the renderer does, then sets each value the way host automation
    // reaches a plug-in: on the parameter, on the editor's controls, then the plug-in's hook.
    // Nothing is set when any setting is refused.
    bool Apply(const std::vector<Setting>& settings);

    // Draws the whole editor into its surface and answers it; valid while this object lives.
    Raster_IBitmap* Draw();

    IGraphics* GetGraphics() const;
    const std::string& GetError() const { return mError; }

private:
    struct Release
    {
        void operator()(IFxVST3* plug) const;
    };

    std::unique_ptr<IFxVST3, Release> mPlug;
    std::vector<HostParameter> mParameters;
    std::string mError;
};

// Encodes the image as PNG and writes it so that the file appears complete or not at all.
bool WritePNGFile(const std::string& path, Raster_IBitmap* image, std::string& error);

} // namespace veltar_render
