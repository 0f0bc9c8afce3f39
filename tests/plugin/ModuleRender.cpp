// veltar_module_render: renders a fixed set of settings through the built module as a host
// does, so that the same input can be rendered by the Linux module and by the Windows module
// (under Wine) and the results compared sample by sample.
//
//   veltar_module_render generate IN.raw         writes the input (the Linux build makes it, so
//                                                 that both modules read the same bits)
//   veltar_module_render render IN.raw OUT.raw   the module's output for every setting
//   veltar_module_render compare A.raw B.raw TOL  counts identical samples; fails beyond TOL
//
// Files are raw little-endian doubles, left and right interleaved.
#include "HostedPlugin.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

constexpr double kRate = 48000.0;
constexpr size_t kFrames = 96000;

struct Setting
{
    const char* name;
    bool floatBuffers;
    std::vector<std::pair<ParamID, double>> values;
};

// Each model driven hard, the shelves and transformers in several positions, 64-bit and 32-bit
// buffers, and the bypass.
const std::vector<Setting> kSettings = {
    {"defaults", false, {}},
    {"tube driven, transformers in", false, {{0, 1.0}, {4, 0.0}, {5, 0.0}}},
    {"QUAD, shelves", true, {{6, 0.5}, {0, 0.6}, {1, 0.3}, {2, 0.8}, {3, 0.2}}},
    {"NK, input transformer", false, {{6, 1.0}, {0, 0.8}, {1, 0.7}, {2, 0.1}, {3, 0.9}, {4, 0.0}}},
    {"NK, 32-bit", true, {{6, 1.0}, {0, 0.9}, {5, 0.0}}},
    {"bypassed", false, {{0, 1.0}, {veltartest::kBypassID, 1.0}}},
};

bool WriteRaw(const char* path, const std::vector<double>& samples)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(double)));
    return static_cast<bool>(out.flush());
}

bool ReadRaw(const char* path, std::vector<double>* samples)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    if (!in.eof() && !in.good())
        return false;
    samples->resize(bytes.size() / sizeof(double));
    std::memcpy(samples->data(), bytes.data(), samples->size() * sizeof(double));
    return !samples->empty();
}

int Generate(const char* path)
{
    const veltartest::Stereo in = veltartest::TestSignal(kFrames, kRate);
    std::vector<double> interleaved;
    for (size_t i = 0; i < in.Size(); ++i)
    {
        interleaved.push_back(in.left[i]);
        interleaved.push_back(in.right[i]);
    }
    return WriteRaw(path, interleaved) ? 0 : 1;
}

int Render(const char* inPath, const char* outPath)
{
    std::vector<double> interleaved;
    if (!ReadRaw(inPath, &interleaved))
    {
        std::fprintf(stderr, "cannot read %s\n", inPath);
        return 1;
    }
    veltartest::Stereo in(interleaved.size() / 2);
    for (size_t i = 0; i < in.Size(); ++i)
    {
        in.left[i] = interleaved[2 * i];
        in.right[i] = interleaved[2 * i + 1];
    }
    std::vector<double> rendered;
    for (const Setting& setting : kSettings)
    {
        veltartest::HostedPlugin plugin;
        const int32 sampleSize = setting.floatBuffers ? kSample32 : kSample64;
        if (plugin.Setup(kRate, sampleSize, 1024) != kResultOk ||
            plugin.component->setActive(true) != kResultOk)
        {
            std::fprintf(stderr, "the module refused the setup for \"%s\"\n", setting.name);
            return 1;
        }
        for (const auto& value : setting.values)
            plugin.Set(value.first, value.second);
        // Blocks of several sizes, as hosts vary them.
        const std::vector<int> blocks = {512, 37, 1024, 256};
        const veltartest::Stereo out =
            setting.floatBuffers ? plugin.Process32(in, blocks) : plugin.Process(in, blocks);
        for (size_t i = 0; i < out.Size(); ++i)
        {
            rendered.push_back(out.left[i]);
            rendered.push_back(out.right[i]);
        }
        plugin.component->setActive(false);
    }
    return WriteRaw(outPath, rendered) ? 0 : 1;
}

int Compare(const char* aPath, const char* bPath, double tolerance)
{
    std::vector<double> a, b;
    if (!ReadRaw(aPath, &a) || !ReadRaw(bPath, &b) || a.size() != b.size())
    {
        std::fprintf(stderr, "%s and %s are not two renders of the same length\n", aPath, bPath);
        return 1;
    }
    size_t identical = 0, worst = 0;
    double maxDiff = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
    {
        const double diff = std::fabs(a[i] - b[i]);
        if (std::memcmp(&a[i], &b[i], sizeof(double)) == 0)
            ++identical;
        // A NaN on either side counts as the largest difference.
        if (!(diff <= maxDiff))
        {
            maxDiff = std::isnan(diff) ? INFINITY : diff;
            worst = i;
        }
    }
    std::printf("%zu of %zu samples identical; largest difference %.3g (sample %zu of setting "
                "\"%s\")\n",
                identical, a.size(), maxDiff, worst % (2 * kFrames),
                kSettings[std::min(worst / (2 * kFrames), kSettings.size() - 1)].name);
    return maxDiff <= tolerance ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc == 3)
        return Generate(argv[2]);
    if (mode == "render" && argc == 4)
        return Render(argv[2], argv[3]);
    if (mode == "compare" && argc == 5)
        return Compare(argv[2], argv[3], std::atof(argv[4]));
    std::fprintf(stderr, "usage: veltar_module_render generate IN.raw | render IN.raw OUT.raw | "
                         "compare A.raw B.raw TOLERANCE\n");
    return 2;
}
