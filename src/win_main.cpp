/*
 * win_main.cpp - the launch sequence.
 *
 * One straight pass: check the Windows version, find the package folder
 * beside the launcher, make it the current directory, start the installer
 * from it and return without waiting. The only reports are single lines on
 * the debugger output; the exit status says which road was taken.
 */
#include <stdio.h>

#include "launcher.h"

static const char MESSAGE_REFUSED[] = "Error! The API for Vista O.S. only.\n";
static const char MESSAGE_NO_FOLDER[] = "Error! Cannot locate the launcher.\n";
static const char MESSAGE_TOO_LONG[] = "Error! The launcher path is too long.\n";
static const char MESSAGE_NOT_ANSI[] = "Error! The launcher path does not fit the ANSI code page.\n";
static const char MESSAGE_NOT_STARTED_FORMAT[] = "Error! Cannot start DPInst.exe (error %lu).\n";

static int ReportNotStarted(const char *message)
{
    OutputDebugStringA(message);
    return LAUNCHER_EXIT_NOT_STARTED;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandTail, int showCommand)
{
    OSVERSIONINFOA version;
    char path[LAUNCHER_PATH_CHARS];
    char commandLine[LAUNCHER_PATH_CHARS];
    DWORD pathLength;
    int composed;

    /* Nothing but the instance handle matters: no argument or show mode changes the run. */
    (void)previousInstance;
    (void)commandTail;
    (void)showCommand;

    /* The plain record, not OSVERSIONINFOEXA: 148 bytes. */
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version) || version.dwMajorVersion != 6) {
        OutputDebugStringA(MESSAGE_REFUSED);
        return LAUNCHER_EXIT_REFUSED;
    }

    ZeroMemory(path, sizeof path);
    pathLength = GetModuleFileNameA(instance, path, sizeof path);
    if (pathLength == 0)
        return ReportNotStarted(MESSAGE_NO_FOLDER);
    if (pathLength >= sizeof path) /* the path was cut to fit */
        return ReportNotStarted(MESSAGE_TOO_LONG);

    ZeroMemory(commandLine, sizeof commandLine);
    composed = ComposeLaunchPaths(path, Is64BitWindows(), commandLine);
    if (composed == LAUNCH_PATHS_NO_FOLDER)
        return ReportNotStarted(MESSAGE_NO_FOLDER);
    if (composed == LAUNCH_PATHS_NOT_ANSI)
        return ReportNotStarted(MESSAGE_NOT_ANSI);
    if (composed != LAUNCH_PATHS_OK)
        return ReportNotStarted(MESSAGE_TOO_LONG);

    /* The installer inherits this directory. A missing folder shows in the start below. */
    SetCurrentDirectoryA(path);

    if (!LaunchCommand(commandLine, 0)) {
        unsigned long error = GetLastError();
        char message[64]; /* the longest, with a ten-digit code, is 50 characters */
        ZeroMemory(message, sizeof message);
        (void)snprintf(message, sizeof message, MESSAGE_NOT_STARTED_FORMAT, error);
        return ReportNotStarted(message);
    }
    return LAUNCHER_EXIT_STARTED;
}
