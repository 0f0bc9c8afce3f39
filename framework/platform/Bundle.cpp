// The bundle layout, the same on every platform: NAME.vst3/Contents/<architecture>/<module>.
#include "Bundle.h"

#include "util/platform.h"

namespace
{

// Folder part of path (which has no trailing slash); the root itself ("/", "C:/") for a file in
// the root.
std::string ParentFolder(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return "/";
    const bool root = slash == 0 || (slash == 2 && path[1] == ':');
    return path.substr(0, root ? slash + 1 : slash);
}

std::string FolderName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

BundleRef::BundleRef(std::string path)
    : mPath(std::move(path)),
      mResourcesPath(mPath + (mPath.back() == '/' ? "" : "/") + "Contents/Resources")
{
}

BundleRef* BundleRef::CreateForAddress(const void* address)
{
    const std::string module = FxModuleFileOf(address);
    return module.empty() ? nullptr : CreateForModulePath(module.c_str());
}

BundleRef* BundleRef::CreateForModulePath(const char* modulePath)
{
    if (!FxIsAbsolutePath(modulePath))
        return nullptr;
    const std::string path = modulePath;
    // A bundled module lies in NAME.vst3/Contents/<architecture>/<module>. A module found outside
    // that layout (a bare module file a host was pointed at) has no bundle; its own folder stands
    // in, so that resources next to it can still be found.
    const std::string archFolder = ParentFolder(path);
    const std::string contents = ParentFolder(archFolder);
    if (FolderName(contents) == "Contents")
        return new BundleRef(ParentFolder(contents));
    return new BundleRef(archFolder);
}

void BundleRef::Retain()
{
    mRetainCount.fetch_add(1, std::memory_order_relaxed);
}

void BundleRef::Release()
{
    if (mRetainCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

int BundleRef::GetRetainCount() const
{
    return mRetainCount.load(std::memory_order_relaxed);
}
