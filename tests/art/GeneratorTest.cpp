// Runs the real generator and compares what it writes with the committed images.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "IconArt.h"
#include "assets/ImageFiles.h"

namespace fs = std::filesystem;

namespace {

const std::string kDataDir = ART_DATA_DIR;
const std::string kGenerator = ARTGEN_PATH;
const std::string kIconDir = ICON_DIR;

std::vector<char> contents(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct GeneratorResult {
    int status;
    std::string errors;
};

// Runs the generator with one argument, capturing its exit status and stderr.
GeneratorResult runGenerator(const std::string& argument, const fs::path& stderrFile,
                             const std::string& option = "")
{
    const std::string command =
        "'" + kGenerator + "' " + option + " '" + argument + "' 2>'" + stderrFile.string() + "'";
    const int raw = std::system(command.c_str());
    const std::vector<char> errors = contents(stderrFile);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(errors.begin(), errors.end())};
}

class GeneratorRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch =
            fs::temp_directory_path() / ("quorvane-art-" + name + "-" + std::to_string(::getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override { fs::remove_all(scratch); }

    fs::path scratch;
};

}  // namespace

TEST_F(GeneratorRun, FreshImagesMatchTheCommittedOnesByteForByte)
{
    for (const char* pass : {"first", "second"}) {
        SCOPED_TRACE(pass);
        const fs::path out = scratch / pass;
        fs::create_directories(out);
        const GeneratorResult run = runGenerator(out.string(), scratch / "stderr.txt");
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.errors, "");
        for (const char* name : kImageNames) {
            const std::vector<char> fresh = contents(out / name);
            const std::vector<char> committed = contents(fs::path(kDataDir) / name);
            ASSERT_FALSE(fresh.empty()) << name << " was not written";
            EXPECT_TRUE(fresh == committed) << name << " differs from data/" << name
                                            << ": rerun the generator and commit its output";
        }
    }
}

// The desktop icons, drawn from the logo, are committed like the images; the PNG's own
// header must give the size the theme folder they are installed to names.
TEST_F(GeneratorRun, FreshIconsMatchTheCommittedOnesByteForByte)
{
    const GeneratorResult run = runGenerator(scratch.string(), scratch / "stderr.txt", "--icons");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    constexpr size_t kWidthOffset = 16;  // in the IHDR chunk, after the signature and chunk header
    for (int size : kIconSizes) {
        const std::string name = "quorvane-" + std::to_string(size) + ".png";
        const std::vector<char> fresh = contents(scratch / name);
        ASSERT_GT(fresh.size(), kWidthOffset + 8) << name << " was not written";
        EXPECT_TRUE(fresh == contents(fs::path(kIconDir) / name))
            << name << " differs from packaging/icons/" << name
            << ": rerun quorvane-artgen --icons and commit";
        const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(fresh[i]); };
        for (size_t field : {kWidthOffset, kWidthOffset + 4}) {
            EXPECT_EQ(byteAt(field) << 24 | byteAt(field + 1) << 16 | byteAt(field + 2) << 8 |
                          byteAt(field + 3),
                      size)
                << name;
        }
    }
}

TEST_F(GeneratorRun, MissingOutputDirectoryFailsWithOneLineOnStderr)
{
    const GeneratorResult run =
        runGenerator((scratch / "no-such-directory").string(), scratch / "stderr.txt");
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.errors.rfind("quorvane-artgen: ", 0), 0u) << run.errors;
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line: " << run.errors;
    EXPECT_FALSE(fs::exists(scratch / "no-such-directory" / "logo.bmp"));
}
