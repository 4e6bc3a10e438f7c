// platform_routines_test.cpp - the probe and the start on their own.
#include <gtest/gtest.h>

#include "expected_calls.h"
#include "fake_winapi.h"
#include "launcher.h"

namespace {

using expected::Calls;
using fake::Key;

TEST(Is64BitWindows, AnswersByTheKeyAndNeverLeavesItOpen)
{
    const struct {
        Key key;
        int answer;
    } cases[] = {{Key::Present, 1}, {Key::Absent, 0}, {Key::Denied, 0}};
    for (const auto &c : cases) {
        fake::Reset({.wow64Key = c.key});
        EXPECT_EQ(Is64BitWindows(), c.answer);
        EXPECT_EQ(fake::Calls(), expected::Probe(c.answer == 1));
        EXPECT_EQ(fake::OpenHandles(), 0) << "key still open after the probe returned";
    }
}

TEST(LaunchCommand, HandsTheWaitTimeToTheThreadWaitUnchanged)
{
    for (DWORD wait : {DWORD{0}, DWORD{1500}, DWORD{INFINITE}}) {
        fake::Reset({});
        char commandLine[] = "\"C:\\x\\DPInst.exe\" /sa";
        EXPECT_EQ(LaunchCommand(commandLine, wait), 1);
        EXPECT_EQ(fake::Calls(), (Calls{expected::Create(commandLine),
                                        "WaitForSingleObject(thread, " + std::to_string(wait) + ")",
                                        expected::kCloseThread, expected::kCloseProcess}));
        EXPECT_EQ(fake::OpenHandles(), 0);
    }
}

TEST(LaunchCommand, FailedStartCallsNothingMoreSoTheErrorSurvives)
{
    fake::Reset({.createError = 2});
    char commandLine[] = "\"C:\\missing\\DPInst.exe\" /sa";
    EXPECT_EQ(LaunchCommand(commandLine, 0), 0);
    EXPECT_EQ(fake::Calls(), Calls{expected::Create(commandLine)});
    EXPECT_EQ(GetLastError(), 2u);
}

} // namespace
