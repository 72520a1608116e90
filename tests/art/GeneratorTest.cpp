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

namespace fs = std::filesystem;

namespace {

const std::string kDataDir = ART_DATA_DIR;
const std::string kGenerator = ARTGEN_PATH;
const char* const kAllImages[] = {"t.bmp",      "logo.bmp",   "floor1.bmp", "credits0.bmp",
                                  "credits1.bmp", "greet0.bmp", "greet1.bmp", "greet2.bmp",
                                  "greet3.bmp", "greet4.bmp", "greet5.bmp"};

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
GeneratorResult runGenerator(const std::string& argument, const fs::path& stderrFile)
{
    const std::string command = "'" + kGenerator + "' '" + argument + "' 2>'" + stderrFile.string() + "'";
    const int raw = std::system(command.c_str());
    const std::vector<char> errors = contents(stderrFile);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(errors.begin(), errors.end())};
}

class GeneratorRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        scratch = fs::temp_directory_path() / ("quorvane-art-" + name + "-" + std::to_string(::getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override { fs::remove_all(scratch); }

    fs::path scratch;
};

} // namespace

TEST_F(GeneratorRun, FreshImagesMatchTheCommittedOnesByteForByte)
{
    for (const char* pass : {"first", "second"}) {
        SCOPED_TRACE(pass);
        const fs::path out = scratch / pass;
        fs::create_directories(out);
        const GeneratorResult run = runGenerator(out.string(), scratch / "stderr.txt");
        ASSERT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.errors, "");
        for (const char* name : kAllImages) {
            const std::vector<char> fresh = contents(out / name);
            const std::vector<char> committed = contents(fs::path(kDataDir) / name);
            ASSERT_FALSE(fresh.empty()) << name << " was not written";
            EXPECT_TRUE(fresh == committed) << name << " differs from data/" << name
                                            << ": rerun the generator and commit its output";
        }
    }
}

TEST_F(GeneratorRun, MissingOutputDirectoryFailsWithOneLineOnStderr)
{
    const GeneratorResult run = runGenerator((scratch / "no-such-directory").string(), scratch / "stderr.txt");
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.errors.rfind("quorvane-artgen: ", 0), 0u) << run.errors;
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << "one line: " << run.errors;
    EXPECT_FALSE(fs::exists(scratch / "no-such-directory" / "logo.bmp"));
}
