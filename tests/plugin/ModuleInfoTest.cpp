// The bundle's moduleinfo.json, which hosts read instead of loading the module, against what the
// loaded module's factory answers.
#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

using namespace Steinberg;
using veltartest::Module;

namespace
{

std::string ReadModuleInfo()
{
    std::ifstream in(std::string(VELTAR_BUNDLE) + "/Contents/Resources/moduleinfo.json");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Entry(const char* key, const std::string& value)
{
    return std::string("\"") + key + "\": \"" + value + "\"";
}

std::string Entry(const char* key, long long value)
{
    return std::string("\"") + key + "\": " + std::to_string(value);
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return n;
}

// Brackets and braces pair up outside strings, and every string ends.
bool Balanced(const std::string& json)
{
    std::string open;
    bool inString = false;
    for (size_t i = 0; i < json.size(); ++i)
    {
        const char c = json[i];
        if (inString)
        {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        }
        else if (c == '"')
            inString = true;
        else if (c == '{' || c == '[')
            open += c;
        else if (c == '}' || c == ']')
        {
            if (open.empty() || open.back() != (c == '}' ? '{' : '['))
                return false;
            open.pop_back();
        }
    }
    return open.empty() && !inString;
}

TEST(VeltarModuleInfo, TheBundleDescribesWhatTheFactoryAnswers)
{
    const std::string json = ReadModuleInfo();
    ASSERT_FALSE(json.empty());
    EXPECT_TRUE(Balanced(json));

    IPluginFactory* factory = Module().GetFactory();
    ASSERT_NE(factory, nullptr);
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_NE(json.find(Entry("Name", "VELTAR")), std::string::npos);
    EXPECT_EQ(Count(json, Entry("Vendor", info.vendor)), 2u);
    EXPECT_NE(json.find(Entry("URL", info.url)), std::string::npos);
    EXPECT_NE(json.find(Entry("E-Mail", info.email)), std::string::npos);
    EXPECT_NE(json.find("\"Unicode\": true"), std::string::npos);
    EXPECT_NE(json.find("\"Compatibility\": []"), std::string::npos);

    IPluginFactory2* factory2 = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&factory2)),
              kResultOk);
    ASSERT_EQ(factory->countClasses(), 1);
    EXPECT_EQ(Count(json, "\"CID\""), 1u);
    PClassInfo2 c;
    ASSERT_EQ(factory2->getClassInfo2(0, &c), kResultOk);
    factory2->release();
    char cid[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(cid + 2 * i, 3, "%02X", static_cast<unsigned char>(c.cid[i]));
    EXPECT_NE(json.find(Entry("CID", cid)), std::string::npos);
    EXPECT_NE(json.find(Entry("Category", c.category)), std::string::npos);
    EXPECT_NE(json.find(Entry("Name", c.name)), std::string::npos);
    EXPECT_EQ(Count(json, Entry("Version", c.version)), 2u);
    EXPECT_NE(json.find(Entry("SDKVersion", c.sdkVersion)), std::string::npos);
    EXPECT_NE(json.find("\"Sub Categories\": [\"" + std::string(c.subCategories) + "\"]"),
              std::string::npos);
    EXPECT_NE(json.find(Entry("Class Flags", c.classFlags)), std::string::npos);
    EXPECT_NE(json.find(Entry("Cardinality", c.cardinality)), std::string::npos);
}

} // namespace
