// compose_launch_paths_test.cpp - the package folder and command line from a module path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "launcher.h"

namespace {

// The two buffers as WinMain has them, with guard bytes on both sides to
// catch any write outside them.
struct Buffers {
    char before[16];
    char path[LAUNCHER_PATH_CHARS];
    char between[16];
    char command[LAUNCHER_PATH_CHARS];
    char after[16];
};

class Compose : public testing::Test {
protected:
    Buffers buffers;

    void SetUp() override { std::memset(&buffers, 0x5A, sizeof buffers); }

    int Run(const std::string &modulePath, int is64)
    {
        std::memset(buffers.path, 0, sizeof buffers.path);
        std::memset(buffers.command, 0, sizeof buffers.command);
        std::memcpy(buffers.path, modulePath.data(), std::min(modulePath.size(), sizeof buffers.path));
        return ComposeLaunchPaths(buffers.path, is64, buffers.command);
    }

    void ExpectGuardsIntact() const
    {
        for (const char *guard : {buffers.before, buffers.between, buffers.after})
            for (size_t i = 0; i < 16; ++i) ASSERT_EQ(guard[i], 0x5A) << "written outside a buffer";
    }
};

struct Case {
    const char *name;
    std::string modulePath;
    int is64;
    int answer;
    std::string folder;  // what the path buffer holds afterwards
    std::string command; // what the command buffer holds afterwards
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

std::string Folder(size_t length) { return "C:\\" + std::string(length - 3, 'x'); }

const Case kCases[] = {
    {"Kit64", "C:\\kit\\setup.exe", 1, LAUNCH_PATHS_OK, "C:\\kit\\Vista64\\USB",
     "\"C:\\kit\\Vista64\\USB\\DPInst.exe\" /sa"},
    {"Kit32", "C:\\kit\\setup.exe", 0, LAUNCH_PATHS_OK, "C:\\kit\\Vista\\USB",
     "\"C:\\kit\\Vista\\USB\\DPInst.exe\" /sa"},
    {"AnyNonZeroAnswerIs64", "C:\\kit\\setup.exe", 7, LAUNCH_PATHS_OK, "C:\\kit\\Vista64\\USB",
     "\"C:\\kit\\Vista64\\USB\\DPInst.exe\" /sa"},
    {"DriveRoot", "D:\\setup.exe", 0, LAUNCH_PATHS_OK, "D:\\Vista\\USB",
     "\"D:\\Vista\\USB\\DPInst.exe\" /sa"},
    {"Blanks", "C:\\My Kit\\setup.exe", 0, LAUNCH_PATHS_OK, "C:\\My Kit\\Vista\\USB",
     "\"C:\\My Kit\\Vista\\USB\\DPInst.exe\" /sa"},
    {"PercentSignsAreText", "C:\\100%s %n\\setup.exe", 1, LAUNCH_PATHS_OK,
     "C:\\100%s %n\\Vista64\\USB", "\"C:\\100%s %n\\Vista64\\USB\\DPInst.exe\" /sa"},
    {"CutAtLastBackslash", "C:\\a\\b\\c.d\\setup.exe", 0, LAUNCH_PATHS_OK, "C:\\a\\b\\c.d\\Vista\\USB",
     "\"C:\\a\\b\\c.d\\Vista\\USB\\DPInst.exe\" /sa"},
    {"ForwardSlashIsNoSeparator", "C:/kit/setup.exe", 0, LAUNCH_PATHS_NO_FOLDER, "C:/kit/setup.exe",
     ""},
    {"NoBackslash", "setup.exe", 1, LAUNCH_PATHS_NO_FOLDER, "setup.exe", ""},
    {"Empty", "", 1, LAUNCH_PATHS_NO_FOLDER, "", ""},
    // '?' stands where the ANSI code page had no character for one of the path's.
    {"QuestionMarkInFolder", "C:\\kits\\??\\setup.exe", 1, LAUNCH_PATHS_NOT_ANSI,
     "C:\\kits\\??\\setup.exe", ""},
    {"QuestionMarkInFileName", "C:\\kit\\s?tup.exe", 0, LAUNCH_PATHS_NOT_ANSI,
     "C:\\kit\\s?tup.exe", ""},
    {"LongPathPrefixIsNoLoss", "\\\\?\\C:\\kit\\setup.exe", 0, LAUNCH_PATHS_OK,
     "\\\\?\\C:\\kit\\Vista\\USB", "\"\\\\?\\C:\\kit\\Vista\\USB\\DPInst.exe\" /sa"},
    {"LongPathPrefixThenQuestionMark", "\\\\?\\C:\\?\\setup.exe", 0, LAUNCH_PATHS_NOT_ANSI,
     "\\\\?\\C:\\?\\setup.exe", ""},
    {"QuestionMarkWithoutBackslash", "?.exe", 1, LAUNCH_PATHS_NOT_ANSI, "?.exe", ""},
    {"LongestFolder64", Folder(226) + "\\s.exe", 1, LAUNCH_PATHS_OK, Folder(226) + "\\Vista64\\USB",
     "\"" + Folder(226) + "\\Vista64\\USB\\DPInst.exe\" /sa"},
    {"LongestFolder32", Folder(228) + "\\s.exe", 0, LAUNCH_PATHS_OK, Folder(228) + "\\Vista\\USB",
     "\"" + Folder(228) + "\\Vista\\USB\\DPInst.exe\" /sa"},
    {"OneTooLong64", Folder(227) + "\\s.exe", 1, LAUNCH_PATHS_TOO_LONG, Folder(227) + "\\s.exe", ""},
    {"OneTooLong32", Folder(229) + "\\s.exe", 0, LAUNCH_PATHS_TOO_LONG, Folder(229) + "\\s.exe", ""},
    {"FullBufferTerminated", Folder(250) + "\\abcd", 0, LAUNCH_PATHS_TOO_LONG, Folder(250) + "\\abcd",
     ""},
    // No terminator anywhere in the buffer: a path the module query had to cut.
    {"Unterminated", Folder(250) + "\\abcdefghij", 0, LAUNCH_PATHS_TOO_LONG,
     (Folder(250) + "\\abcdefghij").substr(0, LAUNCHER_PATH_CHARS - 1), ""},
};

class ComposeCases : public Compose, public testing::WithParamInterface<Case> {};

TEST_P(ComposeCases, WritesFolderAndCommandOrRefuses)
{
    const Case &c = GetParam();
    ASSERT_EQ(Run(c.modulePath, c.is64), c.answer);
    EXPECT_EQ(std::string(buffers.path, strnlen(buffers.path, sizeof buffers.path)), c.folder);
    ASSERT_NE(std::memchr(buffers.path, '\0', sizeof buffers.path), nullptr) << "path unterminated";
    EXPECT_EQ(std::string(buffers.command), c.command);
    EXPECT_LE(c.command.size(), size_t{LAUNCHER_PATH_CHARS - 1});
    ExpectGuardsIntact();
}

INSTANTIATE_TEST_SUITE_P(Paths, ComposeCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

// A refusal must not leave a command line from earlier use of the buffer.
TEST_F(Compose, RefusalEmptiesACommandBufferThatHeldText)
{
    std::memset(buffers.path, 0, sizeof buffers.path);
    std::memset(buffers.command, 'q', sizeof buffers.command);
    std::strcpy(buffers.path, "setup.exe");
    EXPECT_EQ(ComposeLaunchPaths(buffers.path, 1, buffers.command), LAUNCH_PATHS_NO_FOLDER);
    EXPECT_EQ(buffers.command[0], '\0');
    ExpectGuardsIntact();
}

} // namespace
