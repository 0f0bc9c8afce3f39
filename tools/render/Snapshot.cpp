#include "Snapshot.h"

#include "ParamSettings.h"
#include "PendingFile.h"

#include "framework/graphics/IGraphics.h"
#include "framework/platform/Bundle.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"
#include "raster/RasterPNG.h"

#include <cstdlib>
#include <sys/stat.h>

namespace veltar_render
{
namespace
{

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
    {
        path.pop_back();
    }
    return path;
}

// The parameter as the plug-in's VST 3 controller publishes it, so that --set means the same for
// a snapshot as for a render.
HostParameter Describe(int index, const IParam& param)
{
    HostParameter parameter;
    parameter.id = static_cast<uint32_t>(index);
    parameter.title = param.GetNameForHost();
    parameter.units = param.GetLabelForHost();
    parameter.minimum = param.GetNonNormalized(0.0);
    parameter.maximum = param.GetNonNormalized(1.0);
    parameter.stepCount = param.Type() == IParam::kTypeDouble
                              ? 0
                              : static_cast<int32_t>(param.GetMax() - param.GetMin());
    parameter.defaultValue = param.GetDefault();
    // The same texts the plug-in gives hosts for its switches.
    for (int value = static_cast<int>(param.GetMin());
         param.GetNDisplayTexts() > 0 && value <= static_cast<int>(param.GetMax()); ++value)
    {
        const char* text = param.GetDisplayText(value);
        parameter.valueNames.push_back(text != nullptr ? text : "");
    }
    return parameter;
}

} // namespace

bool FindBundleResources(const std::string& pluginPath, std::string& resources, std::string& error)
{
    struct stat info
    {
    };
    if (pluginPath.empty() || stat(pluginPath.c_str(), &info) != 0)
    {
        error = "no plug-in bundle at " + pluginPath;
        return false;
    }
    if (S_ISDIR(info.st_mode))
    {
        resources = WithoutTrailingSlashes(pluginPath) + "/Contents/Resources";
        return true;
    }
    char* absolute = realpath(pluginPath.c_str(), nullptr);
    BundleRef* bundle = absolute ? BundleRef::CreateForModulePath(absolute) : nullptr;
    std::free(absolute);
    if (bundle == nullptr)
    {
        error = "no plug-in bundle at " + pluginPath;
        return false;
    }
    resources = bundle->GetResourcesPath();
    bundle->Release();
    return true;
}

void EditorSnapshot::Release::operator()(IFxVST3* plug) const
{
    plug->terminate();
    plug->release();
}

EditorSnapshot::EditorSnapshot() = default;
EditorSnapshot::~EditorSnapshot() = default;

bool EditorSnapshot::Create(const std::string& resourceRoot)
{
    mPlug.reset();
    mParameters.clear();
    // The plug-in builds its editor, and so loads the bitmaps, in its constructor.
    SetPlatformResourceRoot(resourceRoot.c_str());
    mPlug.reset(MakePlug());
    SetPlatformResourceRoot(nullptr);
    mPlug->initialize(nullptr);

    IGraphics* graphics = GetGraphics();
    if (graphics == nullptr)
    {
        mError = "the plug-in has no editor";
        return false;
    }
    // A bitmap that was not found leaves its control without a size.
    for (int i = 0; i < graphics->GetNControls(); ++i)
    {
        const IRECT& rect = *graphics->GetControl(i)->GetRECT();
        if (rect.W() <= 0 || rect.H() <= 0)
        {
            mError = "the editor's bitmaps are not all in " + resourceRoot + "/resources/img";
            return false;
        }
    }
    for (int i = 0; i < mPlug->NParams(); ++i)
    {
        mParameters.push_back(Describe(i, *mPlug->GetParam(i)));
    }
    return true;
}

IGraphics* EditorSnapshot::GetGraphics() const
{
    return mPlug ? dynamic_cast<IGraphics*>(mPlug->GetGUI()) : nullptr;
}

double EditorSnapshot::GetParameter(uint32_t id) const
{
    const IParam* param = mPlug ? mPlug->GetParam(static_cast<int>(id)) : nullptr;
    return param ? param->Value() : 0.0;
}

bool EditorSnapshot::Apply(const std::vector<Setting>& settings)
{
    std::vector<ResolvedSetting> resolved;
    if (!ResolveSettings(mParameters, settings, resolved, mError))
    {
        return false;
    }
    // As a host's automation sets them: the parameter, the editor's control and the plug-in.
    FxMutexLock lock(mPlug->GetMutex());
    for (const ResolvedSetting& setting : resolved)
    {
        const int index = static_cast<int>(setting.id);
        mPlug->SetParameterFromHost(index, mPlug->GetParam(index)->GetNormalized(setting.value));
    }
    return true;
}

Raster_IBitmap* EditorSnapshot::Draw()
{
    IGraphics* graphics = GetGraphics();
    graphics->Draw(IRECT(0, 0, graphics->Width(), graphics->Height()));
    return graphics->GetDrawBitmap();
}

bool WritePNGFile(const std::string& path, Raster_IBitmap* image, std::string& error)
{
    std::vector<unsigned char> encoded;
    if (!Raster_WritePNGToMemory(image, &encoded))
    {
        error = "cannot encode the image for " + path;
        return false;
    }
    PendingFile file;
    if (!file.Open(path) || !file.Write(encoded.data(), encoded.size()) || !file.Commit())
    {
        error = file.GetError();
        return false;
    }
    return true;
}

} // namespace veltar_render
