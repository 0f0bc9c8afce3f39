#pragma once

#include <atomic>
#include <string>

// The plug-in's bundle folder (NAME.vst3), as a retained handle: the module entry keeps
// one reference per entry call and drops them on the last exit, the way a host-provided bundle
// reference is retained and released. Path lookups happen once, at creation.
class BundleRef
{
public:
    // The bundle of the loaded module that contains address (any function or object of that
    // module). Null when no loaded module contains it. The new handle holds one reference.
    static BundleRef* CreateForAddress(const void* address);
    // The bundle that holds the module file at modulePath (UTF-8, forward slashes).
    // Null for a null or relative path.
    static BundleRef* CreateForModulePath(const char* modulePath);

    BundleRef(const BundleRef&) = delete;
    BundleRef& operator=(const BundleRef&) = delete;

    void Retain();
    // Drops one reference; the last one deletes the handle.
    void Release();
    int GetRetainCount() const;

    // The bundle folder, absolute, without a trailing slash, UTF-8 with forward slashes.
    const char* GetPath() const { return mPath.c_str(); }
    // The folder of the bundle's resources (PNG bitmaps and the like).
    const char* GetResourcesPath() const { return mResourcesPath.c_str(); }

private:
    explicit BundleRef(std::string path);
    ~BundleRef() = default;

    std::atomic<int> mRetainCount{1};
    std::string mPath;
    std::string mResourcesPath;
};
