#include "Bundle.h"

#include <gtest/gtest.h>

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

TEST(Bundle, FolderIsThreeLevelsAboveABundledModule)
{
    BundlePtr bundle(BundleRef::CreateForModulePath(
        "/home/u/.vst3/VELTAR.vst3/Contents/x86_64-linux/VELTAR.so"));
    ASSERT_TRUE(bundle);
    EXPECT_STREQ(bundle->GetPath(), "/home/u/.vst3/VELTAR.vst3");
    EXPECT_STREQ(bundle->GetResourcesPath(), "/home/u/.vst3/VELTAR.vst3/Contents/Resources");
}

TEST(Bundle, AModuleOutsideABundleUsesItsOwnFolder)
{
    BundlePtr loose(BundleRef::CreateForModulePath("/usr/lib/vst3/VELTAR.so"));
    ASSERT_TRUE(loose);
    EXPECT_STREQ(loose->GetPath(), "/usr/lib/vst3");
    BundlePtr root(BundleRef::CreateForModulePath("/VELTAR.so"));
    ASSERT_TRUE(root);
    EXPECT_STREQ(root->GetPath(), "/");
    EXPECT_STREQ(root->GetResourcesPath(), "/Contents/Resources");
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
    EXPECT_EQ(bundle->GetPath()[0], '/');
    EXPECT_EQ(std::string(bundle->GetPath()), TEST_BINARY_DIR);
}

TEST(Bundle, CountsRetainsUntilTheLastRelease)
{
    BundleRef* bundle = BundleRef::CreateForModulePath("/b/X.vst3/Contents/x86_64-linux/X.so");
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
