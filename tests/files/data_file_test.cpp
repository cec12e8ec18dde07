// The trial data file: values written so they read back, CSV quoting, the columns rule, the
// no-overwrite rule, folders, and rows surviving a killed process.
#include "files/data_file.h"

#include "app/exception.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace Lumidraft::testing {
namespace {

class DataFileTest : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(DataFileTest, WritesTheIssueExampleWithTheHeaderFromTheFirstRow)
{
    const std::string path = folder / "s01.csv";
    {
        DataFile data(path);
        EXPECT_EQ(data.path(), path);
        data.row({{"trial", 3}, {"contrast", 0.25}, {"key", "rightArrow"}, {"rt_ms", 512.3}});
        // Same names in another order: the values go to their columns.
        data.row({{"rt_ms", 498.75}, {"key", std::string("leftArrow")}, {"trial", 4L}, {"contrast", 0.5f}});
        EXPECT_EQ(data.rowCount(), 2u);
    }
    EXPECT_EQ(readFile(path), "trial,contrast,key,rt_ms\n"
                              "3,0.25,rightArrow,512.3\n"
                              "4,0.5,leftArrow,498.75\n");
}

TEST_F(DataFileTest, RealsReadBackExactlyAndTextsAreQuotedAsCsvRequires)
{
    const double reals[] = {0.1 + 0.2, 1.0 / 3.0, 512.3, -0.0, 5e-324, 1.7976931348623157e308, 123456789012345678.0};
    struct Text {
        const char* value;
        const char* written;
    } texts[] = {
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
        {"", ""},
        {" spaced ", " spaced "},
    };
    const std::string path = folder / "values.csv";
    {
        DataFile data(path);
        for (const double r : reals)
            data.row({{"value", r}, {"big", -9223372036854775807LL - 1}, {"unsigned", 18446744073709551615ULL}});
    }
    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), std::size(reals) + 1);
    for (std::size_t i = 0; i < std::size(reals); ++i) {
        const std::string& line = lines[i + 1];
        const std::string field = line.substr(0, line.find(','));
        const double back = std::strtod(field.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, &reals[i], sizeof back), 0) << field << " does not read back";
        EXPECT_EQ(line.substr(field.size()), ",-9223372036854775808,18446744073709551615");
    }
    EXPECT_EQ(lines[1].substr(0, lines[1].find(',')), "0.30000000000000004") << "the shortest exact form";

    const std::string quoted = folder / "texts.csv";
    {
        DataFile data(quoted);
        for (const Text& t : texts)
            data.row({{"a, b", t.value}});
    }
    std::string expected = "\"a, b\"\n";
    for (const Text& t : texts)
        expected += std::string(t.written) + "\n";
    EXPECT_EQ(readFile(quoted), expected);
}

TEST_F(DataFileTest, ARowWithOtherColumnsNamesTheDifferenceAndWritesNothing)
{
    const std::string path = folder / "cols.csv";
    DataFile data(path);
    data.row({{"trial", 1}, {"key", "a"}, {"rt_ms", 400.5}});
    const std::string before = readFile(path);

    struct Case {
        std::vector<DataField> fields;
        const char* says;
    };
    const Case cases[] = {
        {{{"trial", 2}, {"key", "b"}}, "missing \"rt_ms\"."},
        {{{"trial", 2}, {"key", "b"}, {"rt", 1.0}}, "missing \"rt_ms\"; not in the first row \"rt\"."},
        {{{"trial", 2}, {"key", "b"}, {"rt_ms", 1.0}, {"extra", 0}}, "not in the first row \"extra\"."},
        {{{"trial", 2}, {"trial", 3}, {"rt_ms", 1.0}}, "missing \"key\"; not in the first row \"trial\" again."},
    };
    for (const Case& c : cases) {
        try {
            data.row(c.fields);
            ADD_FAILURE() << "accepted: " << c.says;
        } catch (const Exception& e) {
            EXPECT_EQ(e.kind(), "COLUMN ERROR");
            EXPECT_NE(e.message().find(c.says), std::string::npos) << e.message();
            EXPECT_NE(e.message().find("Nothing was written."), std::string::npos);
        }
    }
    EXPECT_EQ(readFile(path), before);
    data.row({{"trial", 2}, {"key", "b"}, {"rt_ms", 1.5}});
    EXPECT_EQ(readLines(path).size(), 3u) << "the file still takes good rows";
    EXPECT_EQ(data.rowCount(), 2u);

    // A first row naming a column twice has no columns to go by.
    DataFile other(folder / "twice.csv");
    EXPECT_THROW(other.row({{"a", 1}, {"a", 2}}), Exception);
    EXPECT_EQ(readFile(folder / "twice.csv"), "");
}

TEST_F(DataFileTest, AnExistingFileIsNeverWrittenOver)
{
    const std::string path = folder / "s01.csv";
    std::ofstream(path, std::ios::binary) << "earlier run\n"; // the same bytes on every system
    std::ofstream(folder / "s01-3.json") << "{}"; // a sidecar without its CSV also keeps its name

    ::testing::internal::CaptureStderr();
    DataFile second(path);
    DataFile third(path);
    const std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(second.path(), folder / "s01-2.csv");
    EXPECT_EQ(second.sidecarPath(), folder / "s01-2.json");
    EXPECT_EQ(third.path(), folder / "s01-4.csv");
    EXPECT_NE(err.find(path + " exists; writing " + (folder / "s01-2.csv") + " instead."), std::string::npos) << err;
    second.row({{"x", 1}});
    EXPECT_EQ(readFile(path), "earlier run\n");
    EXPECT_EQ(readFile(folder / "s01-3.json"), "{}");

    // Without an extension the number goes at the end.
    std::ofstream(folder / "plain") << "x";
    ::testing::internal::CaptureStderr();
    DataFile bare(folder / "plain");
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(bare.path(), folder / "plain-2");
}

TEST_F(DataFileTest, AMissingFolderIsMadeAndOneThatCannotBeWrittenIsRefusedAtConstruction)
{
    {
        DataFile data(folder / "results/deeper/s01.csv");
        data.row({{"trial", 1}});
    }
    EXPECT_EQ(readFile(folder / "results/deeper/s01.csv"), "trial\n1\n");
    EXPECT_TRUE(std::filesystem::exists(folder / "results/deeper/s01.json"));

    std::ofstream(folder / "afile") << "x";
    try {
        DataFile data(folder / "afile/s01.csv");
        ADD_FAILURE() << "constructed";
    } catch (const Exception& e) {
        EXPECT_EQ(e.kind(), "FILE ERROR");
        EXPECT_NE(e.message().find("Cannot make the folder for the data file \"" + (folder / "afile/s01.csv") + "\""),
                  std::string::npos)
            << e.message();
    }
}

#if !defined(_WIN32)
TEST_F(DataFileTest, AReadOnlyFolderIsRefusedAtConstruction)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders";
    std::filesystem::create_directory(folder.path() / "locked");
    std::filesystem::permissions(folder.path() / "locked", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec);
    try {
        DataFile data(folder / "locked/s01.csv");
        ADD_FAILURE() << "constructed";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Cannot write the data file \"" + (folder / "locked/s01.csv") +
                                   "\": Permission denied.");
    }
    std::filesystem::permissions(folder.path() / "locked", std::filesystem::perms::owner_all);
}
#endif

TEST_F(DataFileTest, RowsAfterCloseAreRefused)
{
    DataFile data(folder / "closed.csv");
    data.row({{"a", 1}});
    data.close();
    data.close();
    EXPECT_THROW(data.row({{"a", 2}}), Exception);
    EXPECT_EQ(readFile(folder / "closed.csv"), "a\n1\n");
}

#if !defined(_WIN32)
TEST_F(DataFileTest, AProcessKilledAfterNRowsLeavesAllNRowsInTheFile)
{
    const std::string path = folder / "killed.csv";
    constexpr int rows = 250;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        DataFile data(path);
        for (int i = 1; i <= rows; ++i)
            data.row({{"trial", i}, {"rt_ms", 300.0 + i / 8.0}, {"key", "space, bar"}});
        const char done = 'x';
        if (::write(ready[1], &done, 1) != 1)
            std::_Exit(2);
        for (;;)
            ::pause(); // killed here, with the file still open
    }
    ::close(ready[1]);
    char done = 0;
    ASSERT_EQ(::read(ready[0], &done, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), rows + 1u);
    EXPECT_EQ(lines[0], "trial,rt_ms,key");
    EXPECT_EQ(lines[1], "1,300.125,\"space, bar\"");
    EXPECT_EQ(lines[rows], "250,331.25,\"space, bar\"");
    // The sidecar from construction is there, marked as not completed.
    EXPECT_NE(readFile(folder / "killed.json").find("\"complete\": false"), std::string::npos);
}
#endif

} // namespace
} // namespace Lumidraft::testing
