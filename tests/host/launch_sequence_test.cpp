// launch_sequence_test.cpp - whole runs of WinMain against the scripted platform.
#include <gtest/gtest.h>

#include <string>

#include "expected_calls.h"
#include "fake_winapi.h"
#include "launcher.h"

namespace {

using expected::Calls;
using fake::Key;

struct Scenario {
    const char *name;
    fake::Script script;
    int status;
    Calls calls;
};

void PrintTo(const Scenario &scenario, std::ostream *out) { *out << scenario.name; }

fake::Script Version(DWORD major, DWORD minor) { return {.majorVersion = major, .minorVersion = minor}; }

fake::Script At(const std::string &modulePath, Key key)
{
    return {.modulePath = modulePath, .wow64Key = key};
}

fake::Script StartFails(DWORD error, DWORD setDirectoryError = 0)
{
    return {.setDirectoryError = setDirectoryError, .createError = error};
}

// A launcher folder of exactly `length` characters, on drive C:.
std::string FolderOfLength(size_t length) { return "C:\\" + std::string(length - 3, 'k'); }

const Calls kRefusedRun{expected::kVersion, expected::kRefused};

// With the 12-character suffix and the 17 characters around the program, a
// 226-character launcher folder makes a command line of exactly 255.
const std::string kLongest64 = FolderOfLength(226);
const std::string kLongest32 = FolderOfLength(228); // the suffix is 2 shorter

const Scenario kScenarios[] = {
    // The gate: major version 6 alone goes ahead, and a refusal calls nothing after the message.
    {"Xp64Refused", Version(5, 2), 1, kRefusedRun},
    {"Xp32Refused", Version(5, 1), 1, kRefusedRun},
    {"Major7Refused", Version(7, 0), 1, kRefusedRun},
    {"Windows10Refused", Version(10, 0), 1, kRefusedRun},
    {"FailedVersionQueryRefused", {.versionQueryFails = true}, 1, kRefusedRun},
    {"VistaStarts", Version(6, 0), 0, expected::Started(true, "C:\\kit\\Vista64\\USB")},
    {"Windows7Starts", Version(6, 1), 0, expected::Started(true, "C:\\kit\\Vista64\\USB")},
    {"Windows8Starts", Version(6, 2), 0, expected::Started(true, "C:\\kit\\Vista64\\USB")},

    // The folder: the probe's answer picks the suffix; any failure to open the key means 32-bit.
    {"KeyPresentIs64Bit", At("C:\\kit\\setup.exe", Key::Present), 0,
     expected::Started(true, "C:\\kit\\Vista64\\USB")},
    {"KeyAbsentIs32Bit", At("C:\\kit\\setup.exe", Key::Absent), 0,
     expected::Started(false, "C:\\kit\\Vista\\USB")},
    {"KeyRefusedIs32Bit", At("C:\\kit\\setup.exe", Key::Denied), 0,
     expected::Started(false, "C:\\kit\\Vista\\USB")},
    {"DriveRoot", At("D:\\setup.exe", Key::Absent), 0, expected::Started(false, "D:\\Vista\\USB")},
    {"BlankInFolderIsQuoted", At("C:\\My Kit\\setup.exe", Key::Absent), 0,
     expected::Started(false, "C:\\My Kit\\Vista\\USB")},
    {"UncShare", At("\\\\server\\share\\kit\\setup.exe", Key::Present), 0,
     expected::Started(true, "\\\\server\\share\\kit\\Vista64\\USB")},

    // Path bounds: a command line of 255 characters still starts; one more is refused before
    // the directory changes.
    {"Command255Chars64Bit", At(kLongest64 + "\\setup.exe", Key::Present), 0,
     expected::Started(true, kLongest64 + "\\Vista64\\USB")},
    {"Command255Chars32Bit", At(kLongest32 + "\\setup.exe", Key::Absent), 0,
     expected::Started(false, kLongest32 + "\\Vista\\USB")},
    {"Command256Chars64Bit", At(FolderOfLength(227) + "\\setup.exe", Key::Present), 2,
     {expected::kVersion, expected::kModule, expected::kProbe, expected::kCloseKey,
      expected::kTooLong}},
    {"Command256Chars32Bit", At(FolderOfLength(229) + "\\setup.exe", Key::Absent), 2,
     {expected::kVersion, expected::kModule, expected::kProbe, expected::kTooLong}},
    {"ModulePathCut", At(FolderOfLength(300) + "\\setup.exe", Key::Present), 2,
     {expected::kVersion, expected::kModule, expected::kTooLong}},
    {"ModulePathOf255Chars", At(FolderOfLength(245) + "\\setup.exe", Key::Present), 2,
     {expected::kVersion, expected::kModule, expected::kProbe, expected::kCloseKey,
      expected::kTooLong}},
    {"ModuleQueryFails", {.moduleQueryFails = true}, 2,
     {expected::kVersion, expected::kModule, expected::kNoFolder}},
    {"ModulePathWithoutBackslash", At("setup.exe", Key::Present), 2,
     {expected::kVersion, expected::kModule, expected::kProbe, expected::kCloseKey,
      expected::kNoFolder}},
    // A folder named outside the ANSI code page comes back with '?' in its name's place.
    {"FolderOutsideAnsiCodePage", At("C:\\kits\\???\\setup.exe", Key::Present), 2,
     {expected::kVersion, expected::kModule, expected::kProbe, expected::kCloseKey,
      expected::kNotAnsi}},
    {"LongPathFormStarts", At("\\\\?\\C:\\kit\\setup.exe", Key::Present), 0,
     expected::Started(true, "\\\\?\\C:\\kit\\Vista64\\USB")},

    // A failed start is reported with the platform's own code, and nothing is waited on or closed.
    {"InstallerMissing", StartFails(2), 2, expected::NotStarted(true, "C:\\kit\\Vista64\\USB", 2)},
    {"PackageFolderMissing", StartFails(3, 2), 2,
     expected::NotStarted(true, "C:\\kit\\Vista64\\USB", 3)},
    {"ElevationRequired", StartFails(740), 2,
     expected::NotStarted(true, "C:\\kit\\Vista64\\USB", 740)},
};

class LaunchSequence : public testing::TestWithParam<Scenario> {};

TEST_P(LaunchSequence, MakesExactlyTheseCallsAndReturnsTheStatus)
{
    const Scenario &scenario = GetParam();
    fake::Reset(scenario.script);

    int status = WinMain(fake::Instance(), nullptr, const_cast<char *>(""), 1);

    EXPECT_EQ(status, scenario.status);
    EXPECT_EQ(fake::Calls(), scenario.calls);
    EXPECT_EQ(fake::OpenHandles(), 0) << "a key or handle was left open";
}

INSTANTIATE_TEST_SUITE_P(Runs, LaunchSequence, testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario> &info) { return info.param.name; });

// Nothing the platform hands WinMain besides its instance changes the run.
TEST(LaunchSequenceArguments, AreIgnored)
{
    struct Arguments {
        HINSTANCE previous;
        const char *tail;
        int show;
    };
    const Arguments variants[] = {
        {nullptr, "", 1},
        {nullptr, "/?", 0},
        {reinterpret_cast<HINSTANCE>(0x1234), "--folder D:\\other /q", 3},
        {nullptr, "\"C:\\Windows\\evil.exe\" /sa", 7},
    };
    for (const Arguments &arguments : variants) {
        fake::Reset(At("C:\\kit\\setup.exe", Key::Absent));
        int status = WinMain(fake::Instance(), arguments.previous, const_cast<char *>(arguments.tail),
                             arguments.show);
        EXPECT_EQ(status, 0) << arguments.tail;
        EXPECT_EQ(fake::Calls(), expected::Started(false, "C:\\kit\\Vista\\USB")) << arguments.tail;
    }
}

} // namespace
