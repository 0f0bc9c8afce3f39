#include "Bundle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace
{

struct Releaser
{
    void operator()(BundleRef* bundle) const { bundle->Release(); }
};
using BundlePtr = std::unique_ptr<BundleRef, Releaser>;

int gInThisProgram = 0;

// The root of the file system the tests run on ("/", "C:/"), so the paths below are absolute
// there.
const std::string kRoot = std::filesystem::temp_directory_path().root_path().generic_u8string();

TEST(Bundle, FolderIsThreeLevelsAboveABundledModule)
{
    BundlePtr bundle(BundleRef::CreateForModulePath(
        (kRoot + "home/u/.vst3/VELTAR.vst3/Contents/x86_64-linux/VELTAR.so").c_str()));
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->GetPath(), kRoot + "home/u/.vst3/VELTAR.vst3");
    EXPECT_EQ(bundle->GetResourcesPath(), kRoot + "home/u/.vst3/VELTAR.vst3/Contents/Resources");
}

TEST(Bundle, AModuleOutsideABundleUsesItsOwnFolder)
{
    BundlePtr loose(BundleRef::CreateForModulePath((kRoot + "usr/lib/vst3/VELTAR.so").c_str()));
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->GetPath(), kRoot + "usr/lib/vst3");
    BundlePtr root(BundleRef::CreateForModulePath((kRoot + "VELTAR.so").c_str()));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetPath(), kRoot);
    EXPECT_EQ(root->GetResourcesPath(), kRoot + "Contents/Resources");
}

TEST(Bundle, NeedsAnAbsolutePathOrALoadedAddress)
{
    EXPECT_EQ(BundleRef::CreateForModulePath(nullptr), nullptr);
    EXPECT_EQ(BundleRef::CreateForModulePath("VELTAR.vst3/Contents/x86_64-linux/VELTAR.so"),
              nullptr);
    EXPECT_EQ(BundleRef::CreateForAddress(nullptr), nullptr);
    int onTheStack = 0;
    EXPECT_EQ(BundleRef::CreateForAddress(&onTheStack), nullptr);
}

TEST(Bundle, FindsTheFolderOfTheRunningProgram)
{
    BundlePtr bundle(BundleRef::CreateForAddress(&gInThisProgram));
    ASSERT_TRUE(bundle);
    EXPECT_EQ(std::string(bundle->GetPath()), TEST_BINARY_DIR);
}

TEST(Bundle, CountsRetainsUntilTheLastRelease)
{
    BundleRef* bundle =
        BundleRef::CreateForModulePath((kRoot + "b/X.vst3/Contents/x86_64-linux/X.so").c_str());
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->GetRetainCount(), 1);
    bundle->Retain();
    bundle->Retain();
    EXPECT_EQ(bundle->GetRetainCount(), 3);
    bundle->Release();
    bundle->Release();
    EXPECT_EQ(bundle->GetRetainCount(), 1);
    bundle->Release();
}

} // namespace
