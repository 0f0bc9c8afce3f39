#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

std::vector<char> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file below folder, by its path relative to it.
std::set<fs::path> Files(const fs::path& folder)
{
    std::set<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), folder));
    return files;
}

} // namespace

// Units a fuzzer run adds to a corpus folder by mistake show up here too, as files the generator
// does not make.
TEST(FuzzCorpus, GeneratorReproducesTheCommittedFilesByteForByte)
{
    const fs::path out = VELTAR_CORPUS_OUT;
    fs::remove_all(out);
    ASSERT_EQ(std::system(("'" PYTHON "' '" MAKE_CORPUS "' '" + out.string() + "'").c_str()), 0);
    const std::set<fs::path> made = Files(out);
    ASSERT_FALSE(made.empty());
    EXPECT_EQ(made, Files(VELTAR_CORPUS_DIR))
        << "regenerate with fuzz/make_corpus.py; remove files it does not make";
    for (const fs::path& file : made)
        EXPECT_TRUE(ReadFile(out / file) == ReadFile(fs::path(VELTAR_CORPUS_DIR) / file))
            << file << " differs from the committed copy; regenerate with fuzz/make_corpus.py";
}
