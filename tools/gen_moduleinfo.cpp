// gen_moduleinfo <bundle.vst3> <out.json>: loads the built module as a Linux host does (dlopen,
// ModuleEntry, GetPluginFactory) and writes the moduleinfo.json that hosts read to list the
// module without loading it. Everything in the file comes from the factory's own answers.
#include "ModuleLoader.h"
#include "util/platform.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

using namespace Steinberg;

namespace
{

std::string Field(const char* text, size_t size)
{
    return std::string(text, strnlen(text, size));
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text)
    {
        if (c == '"' || c == '\\')
            out += {'\\', static_cast<char>(c)};
        else if (c < 0x20)
        {
            char esc[8];
            std::snprintf(esc, sizeof(esc), "\\u%04x", c);
            out += esc;
        }
        else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string Bool(bool value)
{
    return value ? "true" : "false";
}

// The class ID as hosts write it: its 16 bytes in order, upper-case hex.
std::string CidHex(const TUID cid)
{
    std::string out;
    char byte[3];
    for (int i = 0; i < 16; ++i)
    {
        std::snprintf(byte, sizeof(byte), "%02X", static_cast<unsigned char>(cid[i]));
        out += byte;
    }
    return out;
}

std::vector<std::string> SubCategories(const std::string& joined)
{
    std::vector<std::string> out;
    std::stringstream in(joined);
    for (std::string part; std::getline(in, part, '|');)
        if (!part.empty())
            out.push_back(part);
    return out;
}

// A plain factory's class record widened to the second form, whose extra fields stay empty.
bool ClassInfo(IPluginFactory* factory, int32 index, PClassInfo2& info)
{
    IPluginFactory2* factory2 = nullptr;
    if (factory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&factory2)) ==
            kResultOk &&
        factory2)
    {
        tresult result = factory2->getClassInfo2(index, &info);
        factory2->release();
        return result == kResultOk;
    }
    PClassInfo plain = {};
    if (factory->getClassInfo(index, &plain) != kResultOk)
        return false;
    info = PClassInfo2(plain.cid, plain.cardinality, plain.category, plain.name, 0, "", "", "", "");
    return true;
}

bool WriteModuleInfo(IPluginFactory* factory, const std::string& moduleName, std::ostream& out,
                     std::string& error)
{
    PFactoryInfo factoryInfo;
    if (factory->getFactoryInfo(&factoryInfo) != kResultOk)
    {
        error = "the factory tells no vendor information";
        return false;
    }
    const std::string vendor = Field(factoryInfo.vendor, sizeof(factoryInfo.vendor));
    std::vector<PClassInfo2> classes;
    for (int32 i = 0; i < factory->countClasses(); ++i)
    {
        PClassInfo2 info;
        if (!ClassInfo(factory, i, info))
        {
            error = "the factory does not describe its class " + std::to_string(i);
            return false;
        }
        classes.push_back(info);
    }
    // The module's version is that of its first class, the plug-in it exists for.
    const std::string version =
        classes.empty() ? "" : Field(classes[0].version, sizeof(classes[0].version));

    out << "{\n";
    out << "  \"Name\": " << Quoted(moduleName) << ",\n";
    out << "  \"Version\": " << Quoted(version) << ",\n";
    out << "  \"Factory Info\": {\n";
    out << "    \"Vendor\": " << Quoted(vendor) << ",\n";
    out << "    \"URL\": " << Quoted(Field(factoryInfo.url, sizeof(factoryInfo.url))) << ",\n";
    out << "    \"E-Mail\": " << Quoted(Field(factoryInfo.email, sizeof(factoryInfo.email)))
        << ",\n";
    out << "    \"Flags\": {\n";
    out << "      \"Unicode\": " << Bool(factoryInfo.flags & PFactoryInfo::kUnicode) << ",\n";
    out << "      \"Classes Discardable\": "
        << Bool(factoryInfo.flags & PFactoryInfo::kClassesDiscardable) << ",\n";
    out << "      \"Component Non Discardable\": "
        << Bool(factoryInfo.flags & PFactoryInfo::kComponentNonDiscardable) << "\n";
    out << "    }\n";
    out << "  },\n";
    out << "  \"Compatibility\": [],\n";
    out << "  \"Classes\": [";
    for (size_t i = 0; i < classes.size(); ++i)
    {
        const PClassInfo2& c = classes[i];
        // A class without a vendor of its own is listed under the factory's, as hosts show it.
        std::string classVendor = Field(c.vendor, sizeof(c.vendor));
        if (classVendor.empty())
            classVendor = vendor;
        out << (i ? ",\n" : "\n") << "    {\n";
        out << "      \"CID\": " << Quoted(CidHex(c.cid)) << ",\n";
        out << "      \"Category\": " << Quoted(Field(c.category, sizeof(c.category))) << ",\n";
        out << "      \"Name\": " << Quoted(Field(c.name, sizeof(c.name))) << ",\n";
        out << "      \"Vendor\": " << Quoted(classVendor) << ",\n";
        out << "      \"Version\": " << Quoted(Field(c.version, sizeof(c.version))) << ",\n";
        out << "      \"SDKVersion\": " << Quoted(Field(c.sdkVersion, sizeof(c.sdkVersion)))
            << ",\n";
        out << "      \"Sub Categories\": [";
        const std::vector<std::string> subs =
            SubCategories(Field(c.subCategories, sizeof(c.subCategories)));
        for (size_t k = 0; k < subs.size(); ++k)
            out << (k ? ", " : "") << Quoted(subs[k]);
        out << "],\n";
        out << "      \"Class Flags\": " << c.classFlags << ",\n";
        out << "      \"Cardinality\": " << c.cardinality << ",\n";
        out << "      \"Snapshots\": []\n";
        out << "    }";
    }
    out << (classes.empty() ? "]\n" : "\n  ]\n");
    out << "}\n";
    return true;
}

int Fail(const std::string& why)
{
    std::fprintf(stderr, "gen_moduleinfo: %s\n", why.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args = FxUtf8Arguments(argc, argv);
    if (args.size() != 3)
    {
        std::fprintf(stderr, "usage: gen_moduleinfo <bundle.vst3> <moduleinfo.json>\n");
        return 2;
    }
    const std::string name = vst3host::ModuleLoader::ModuleNameForBundle(args[1]);
    std::ostringstream json;
    {
        vst3host::ModuleLoader module(args[1]);
        if (!module.IsLoaded())
            return Fail(module.GetError());
        std::string error;
        if (!WriteModuleInfo(module.GetFactory(), name, json, error))
            return Fail(error);
    }

    // Written in one go, so that a failed run leaves no half file for a host to read.
    const std::string outPath = args[2];
    const std::string tmpPath = outPath + ".tmp";
    {
        std::FILE* out = FxOpenFile(tmpPath.c_str(), "wb");
        const std::string text = json.str();
        const bool written = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
        if (!out || std::fclose(out) != 0 || !written)
            return Fail("cannot write " + tmpPath);
    }
    // (std::rename does not replace an existing file on every platform.)
    std::error_code error;
    std::filesystem::rename(std::filesystem::u8path(tmpPath), std::filesystem::u8path(outPath),
                            error);
    if (error)
        return Fail("cannot write " + outPath);
    return 0;
}
