// The emulator's own files: only regular files are read, up to a limit,
// and a file that cannot be read says why.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/files.h"
#include "testing/repeat.h"
#include "testing/temp_folder.h"

using namespace vesk_host;

namespace {

#if !defined(_WIN32)
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = uniqueTempFolder("vesk_host_files");
        std::filesystem::create_directories(folder / "panels");
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
};

TEST_F(FilesTest, FilesThatCannotBeReadSayWhy)
{
    std::ofstream(folder / "big.toml") << repeat("x", 5000);
    const std::vector<std::pair<std::filesystem::path, std::string>> cases = {
        {folder / "nothing.toml", "cannot be read: no such file"},
        {folder / "nothing" / "deeper.toml", "cannot be read: no such file"},
        {folder / "panels", "cannot be read: is a directory"},
        {"/dev/zero", "cannot be read: is not a regular file (a FIFO, a device or a socket)"},
        {"", "\"\": cannot be read: an empty file name"},
        {folder / "big.toml", "cannot be read: is larger than 4096 bytes"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file.string());
        const auto text = readWholeFile(file, 4096);
        ASSERT_FALSE(text);
        EXPECT_NE(text.error().message.find(reason), std::string::npos) << text.error().message;
    }
    const std::filesystem::path fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto fromFifo = readWholeFile(fifo);
    ASSERT_FALSE(fromFifo);
    EXPECT_NE(fromFifo.error().message.find("is not a regular file"), std::string::npos);
    if (geteuid() != 0) {
        std::filesystem::permissions(folder / "big.toml", std::filesystem::perms::none);
        const auto denied = readWholeFile(folder / "big.toml");
        ASSERT_FALSE(denied);
        EXPECT_NE(denied.error().message.find("permission denied"), std::string::npos) << denied.error().message;
    }
}

TEST_F(FilesTest, AFileReadsWholeUpToItsLimitExactly)
{
    struct Case {
        std::size_t size;
        std::uintmax_t limit;
        bool read;
    };
    const std::vector<Case> cases = {
        {4095, 4096, true},
        {4096, 4096, true},
        {4097, 4096, false},
        {0, 0, true},
        {1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " bytes, limit " + std::to_string(c.limit));
        const auto file = folder / "f.txt";
        std::ofstream(file, std::ios::binary | std::ios::trunc) << repeat("x", c.size);
        const auto text = readWholeFile(file, c.limit);
        EXPECT_EQ(text.ok(), c.read);
        if (text)
            EXPECT_EQ(text->size(), c.size);
        else
            EXPECT_EQ(text.error().kind, ErrorKind::unreadable);
    }
}

TEST_F(FilesTest, AReadableFileIsCheckedWithTheReasonAlone)
{
    std::ofstream(folder / "here.toml") << "x = 1\n";
    EXPECT_TRUE(checkReadable(folder / "here.toml"));
    const Status folderChecked = checkReadable(folder / "panels");
    ASSERT_FALSE(folderChecked);
    EXPECT_EQ(folderChecked.error().kind, ErrorKind::unreadable);
    EXPECT_EQ(folderChecked.error().message, "is a directory");
    const Status missing = checkReadable(folder / "nothing.toml");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "no such file");
}
#endif

} // namespace
