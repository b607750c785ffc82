// Whole-array files, the formatting call, the file dialog's answers.
#include "testhooks.h"
#include "platform/widgets/userint.h"
#include "platform/formatting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::string Path(const QTemporaryDir &dir, const char *name) {
    return QFile::encodeName(dir.filePath(QString::fromLatin1(name))).toStdString();
}

void Write(const std::string &path, const QByteArray &content) {
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::WriteOnly);
    f.write(content);
}

QByteArray Read(const std::string &path) {
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The parameter file's arguments.
int WriteWords(const std::string &path, const uint32_t *words, int count = 16) {
    return ArrayToFile(path.c_str(), words, VAL_UNSIGNED_INTEGER, count, 1, 0, 0, 0, 5, VAL_ASCII,
                       VAL_TRUNCATE);
}
int ReadWords(const std::string &path, uint32_t *words) {
    return FileToArray(path.c_str(), words, VAL_UNSIGNED_INTEGER, 16, 1, 0, 0, VAL_ASCII);
}

} // namespace

TEST(ArrayFile, ParameterFileLayout) {
    QTemporaryDir dir;
    const std::string file = Path(dir, "VTLXpara.dat");
    const uint32_t words[16] = {500, 0,   512, 0, 1,    1,     1, 1024,
                                512, 100, 0,   1, 1024, 30000, 1, 65535};
    ASSERT_EQ(WriteWords(file, words), 0);
    EXPECT_EQ(Read(file),
              QByteArray("  500\n    0\n  512\n    0\n    1\n    1\n    1\n 1024\n  512\n"
                         "  100\n    0\n    1\n 1024\n30000\n    1\n65535\n"));
    uint32_t back[16] = {};
    ASSERT_EQ(ReadWords(file, back), 0);
    EXPECT_EQ(std::memcmp(back, words, sizeof words), 0);
}

TEST(ArrayFile, RoundTripOfEveryType) {
    QTemporaryDir dir;
    const std::string file = Path(dir, "a.dat");
    const int32_t ints[4] = {INT32_MIN, -1, 0, INT32_MAX};
    const int16_t shorts[4] = {INT16_MIN, -1, 0, INT16_MAX};
    const double doubles[4] = {-0.1, 1e-300, 3.0, 65535.0 / 1024};
    const uint16_t ushorts[4] = {0, 1, 0x8000, 0xFFFF};
    const uint32_t uints[4] = {0, 65536, 4000000000u, UINT32_MAX};
    const struct {
        int type;
        const void *data;
        size_t bytes;
    } cases[] = {
        {VAL_INTEGER, ints, sizeof ints},
        {VAL_SHORT_INTEGER, shorts, sizeof shorts},
        {VAL_DOUBLE, doubles, sizeof doubles},
        {VAL_UNSIGNED_SHORT_INTEGER, ushorts, sizeof ushorts},
        {VAL_UNSIGNED_INTEGER, uints, sizeof uints},
    };
    for (const auto &c : cases) {
        for (int fileType : {VAL_ASCII, VAL_BINARY}) {
            ASSERT_EQ(
                ArrayToFile(file.c_str(), c.data, c.type, 4, 1, 0, 0, 0, 5, fileType, VAL_TRUNCATE),
                0);
            char back[64] = {};
            ASSERT_EQ(FileToArray(file.c_str(), back, c.type, 4, 1, 0, 0, fileType), 0);
            EXPECT_EQ(std::memcmp(back, c.data, c.bytes), 0)
                << "type " << c.type << " file " << fileType;
        }
    }
}

// Reading takes the numbers whatever separates them; a file it cannot use
// leaves the array as it was.
TEST(ArrayFile, ReadingAcceptsAnyBlanksAndRejectsBadFiles) {
    QTemporaryDir dir;
    const std::string file = Path(dir, "in.dat");
    const struct {
        const char *what;
        QByteArray content;
        int result;
    } cases[] = {
        {"CR LF lines",
         "  500\r\n    0\r\n  512\r\n    0\r\n    1\r\n    1\r\n    1\r\n 1024\r\n  512\r\n"
         "  100\r\n    0\r\n    1\r\n 1024\r\n30000\r\n    1\r\n    0\r\n",
         0},
        {"one line, tabs", "500\t0 512 0 1 1 1 1024 512 100 0 1 1024 30000 1 0", 0},
        {"extra numbers after 16", "500 0 512 0 1 1 1 1024 512 100 0 1 1024 30000 1 0 77 88\n", 0},
        {"short file", "500\n0\n512\n", ARRAYFILE_TOO_FEW},
        {"empty file", "", ARRAYFILE_TOO_FEW},
        {"junk", "500\n0\nfive hundred\n0 1 1 1 1024 512 100 0 1 1024 30000 1 0\n",
         ARRAYFILE_NOT_A_NUMBER},
        {"negative word", "-1 0 512 0 1 1 1 1024 512 100 0 1 1024 30000 1 0",
         ARRAYFILE_NOT_A_NUMBER},
        {"beyond 32 bits", "4294967296 0 512 0 1 1 1 1024 512 100 0 1 1024 30000 1 0",
         ARRAYFILE_NOT_A_NUMBER},
        {"digits glued to text", "500x 0 512 0 1 1 1 1024 512 100 0 1 1024 30000 1 0",
         ARRAYFILE_NOT_A_NUMBER},
    };
    for (const auto &c : cases) {
        Write(file, c.content);
        uint32_t words[16];
        std::fill(std::begin(words), std::end(words), 4242u);
        EXPECT_EQ(ReadWords(file, words), c.result) << c.what;
        if (c.result == 0) {
            EXPECT_EQ(words[0], 500u) << c.what;
            EXPECT_EQ(words[13], 30000u) << c.what;
        } else {
            EXPECT_EQ(words[0], 4242u) << c.what << ": array left as it was";
        }
    }
    uint32_t words[16];
    EXPECT_EQ(ReadWords(Path(dir, "absent.dat"), words), ARRAYFILE_CANNOT_OPEN);
}

TEST(ArrayFile, SavingOverAFileReplacesItCompletely) {
    QTemporaryDir dir;
    const std::string file = Path(dir, "VTLXpara.dat");
    Write(file, QByteArray(5000, '9'));
    const uint32_t words[16] = {1, 2, 3};
    ASSERT_EQ(WriteWords(file, words), 0);
    EXPECT_EQ(Read(file).size(), 16 * 6);
}

// A write that fails part-way (the file-size limit stands in for a full
// disk) keeps the old file and leaves no stray file behind.
TEST(ArrayFile, FailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const std::string file = Path(dir, "VTLXpara.dat");
    const QByteArray old = "  500\n    0\n";
    Write(file, old);
    std::vector<uint32_t> many(20000, 12345);

    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {4096, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const int result = WriteWords(file, many.data(), int(many.size()));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_LT(result, 0) << "a failed write is no success";
    EXPECT_EQ(Read(file), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"VTLXpara.dat"});
}

// A file that cannot be opened for writing keeps the old one: no file can be
// opened at all (the descriptor limit binds root too), and a folder without
// write permission (where permissions bind this user).
TEST(ArrayFile, UnwritableFolderKeepsTheOldFile) {
    QTemporaryDir dir;
    const std::string file = Path(dir, "VTLXpara.dat");
    Write(file, "old\n");
    const uint32_t words[16] = {};
#ifndef __SANITIZE_ADDRESS__
    // No descriptor left (root included). Not under the sanitizers: their
    // run-time probes memory through a pipe and reports a false fault when
    // it cannot make one.
    const int lowestFree = dup(0);
    close(lowestFree);
    struct rlimit saved;
    getrlimit(RLIMIT_NOFILE, &saved);
    struct rlimit none = {rlim_t(lowestFree), saved.rlim_max};
    setrlimit(RLIMIT_NOFILE, &none);
    const int result = WriteWords(file, words);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(result, ARRAYFILE_CANNOT_OPEN) << "no descriptor left";
    EXPECT_EQ(Read(file), QByteArray("old\n"));
#endif

    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    if (access(dir.path().toLocal8Bit().constData(), W_OK) != 0) {
        EXPECT_EQ(WriteWords(file, words), ARRAYFILE_CANNOT_OPEN) << "read-only folder";
        EXPECT_EQ(Read(file), QByteArray("old\n"));
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"VTLXpara.dat"});
}

// The firmware text: the low byte of each word, up to the first zero byte.
TEST(Fmt, FirmwareText) {
    auto words = [](const char *text, int fill) {
        std::vector<int> w(36, fill);
        for (size_t i = 0; text[i]; ++i)
            w[i] = 0x1200 | (unsigned char)text[i];
        return w;
    };
    const struct {
        const char *what;
        std::vector<int> words;
        const char *text;
    } cases[] = {
        {"ends at the first zero", words("VTLX FW 2.07", 0), "VTLX FW 2.07"},
        {"high bytes ignored", words("A\xB5", 0x4141),
         "A\xB5"
         "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"},
        {"all 36 used", words("", 'x'), "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
        {"empty", words("", 0), ""},
    };
    for (const auto &c : cases) {
        char target[72];
        std::memset(target, '#', sizeof target);
        EXPECT_EQ(Fmt(target, "%72c<%36i", c.words.data()), int(std::strlen(c.text))) << c.what;
        EXPECT_STREQ(target, c.text) << c.what;
    }
    char target[72];
    const std::vector<int> w(36, 'a');
    EXPECT_LT(Fmt(target, "%s", w.data()), 0);
}

TEST(FileSelectPopup, AnswersAndTheirResults) {
    QTemporaryDir dir;
    const std::string existing = Path(dir, "VTLXpara.dat");
    Write(existing, "1\n");
    const std::string folder = dir.path().toStdString();
    const std::string tooLong = folder + "/" + std::string(300, 'n') + ".dat";
    const struct {
        const char *what;
        const char *answer; // nullptr: Cancel
        int button;
        int result;
        std::string path;
    } cases[] = {
        {"existing file", existing.c_str(), VAL_OK_BUTTON, VAL_EXISTING_FILE_SELECTED, existing},
        {"new file gets the extension", "fresh", VAL_OK_BUTTON, VAL_NEW_FILE_SELECTED,
         folder + "/fresh.dat"},
        {"load of an existing file", "VTLXpara.dat", VAL_LOAD_BUTTON, VAL_EXISTING_FILE_SELECTED,
         existing},
        {"load of a missing file", "nothing.dat", VAL_LOAD_BUTTON, VAL_NO_FILE_SELECTED,
         "untouched"},
        {"cancel", nullptr, VAL_OK_BUTTON, VAL_NO_FILE_SELECTED, "untouched"},
        {"path too long for the buffer", tooLong.c_str(), VAL_OK_BUTTON, VAL_NO_FILE_SELECTED,
         "untouched"},
    };
    for (const auto &c : cases) {
        char path[260] = "untouched";
        SetFileSelectAnswer(c.answer);
        EXPECT_EQ(FileSelectPopup(folder.c_str(), "VTLXpara.dat", "*.dat",
                                  "VORTELIX-Parameter-File", c.button, 0, 1, 1, 1, path),
                  c.result)
            << c.what;
        EXPECT_EQ(path, c.path) << c.what;
    }
}
