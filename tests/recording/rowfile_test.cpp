// The row file on a disk that refuses: a file size limit stands in for a full
// disk (the write fails with EFBIG, SIGXFSZ ignored), a missing folder for
// one that is gone. Every whole row written before stays; a torn row is cut
// off; no file is left without its first line.
#include "platform/appendfile.h"

#include "files.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string TempPath(const char *name) {
    return "/tmp/vtlx-rowfile-" + std::to_string(getpid()) + "-" + name;
}

TEST(RowFile, FullDiskKeepsWholeRowsAndSaysWhy) {
    const std::string path = TempPath("full.csv");
    const std::string header = "a,b\r\n";
    const std::string row = "123456789,12345678\r\n"; // 20 bytes
    char error[200] = "";
    long long kept = 0;
    {
        SizeLimit limit(5 + 20 * 10 + 7); // header, ten rows, part of an eleventh
        const int f = AppendFileCreate(path.c_str(), header.c_str(), error, sizeof error);
        ASSERT_GT(f, 0) << error;
        for (int i = 0; i < 6; i++)
            ASSERT_EQ(AppendFileAdd(f, row.data(), row.size()), 1);
        ASSERT_EQ(AppendFileFlush(f, error, sizeof error), 1) << error;
        for (int i = 0; i < 8; i++) // the batch that meets the limit
            ASSERT_EQ(AppendFileAdd(f, row.data(), row.size()), 1);
        EXPECT_EQ(AppendFileFlush(f, error, sizeof error), 0);
        EXPECT_NE(std::string(error).find("File too large"), std::string::npos) << error;
        kept = AppendFileLines(f);
        // The failed handle takes nothing more, and closing it says so.
        EXPECT_EQ(AppendFileAdd(f, row.data(), row.size()), 0);
        EXPECT_EQ(AppendFileClose(f, error, sizeof error), 0);
    }
    std::string expected = header;
    for (int i = 0; i < 10; i++)
        expected += row;
    EXPECT_EQ(ReadFile(path), expected) << "ten whole rows, the torn eleventh cut off";
    EXPECT_EQ(kept, 11);
    std::remove(path.c_str());
}

TEST(RowFile, NoFileWithoutItsFirstLine) {
    char error[200] = "";
    // The folder is gone.
    EXPECT_EQ(AppendFileCreate("/tmp/vtlx-no-such-folder/x.csv", "a,b\r\n", error, sizeof error),
              0);
    EXPECT_NE(std::string(error).find("No such file or directory"), std::string::npos) << error;

    // Room for part of the first line only: the file is removed again.
    const std::string path = TempPath("header.csv");
    {
        SizeLimit limit(5);
        EXPECT_EQ(AppendFileCreate(path.c_str(), "time,seconds\r\n", error, sizeof error), 0);
    }
    EXPECT_NE(std::string(error).find("File too large"), std::string::npos) << error;
    EXPECT_NE(access(path.c_str(), F_OK), 0) << "a file without its header was left";
}

} // namespace
