/*
 * launch_command.cpp - starts one program and lets it run on.
 */
#include "launcher.h"

int LaunchCommand(char *commandLine, DWORD waitMilliseconds)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;

    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    ZeroMemory(&process, sizeof process);

    /*
     * No application name: the program is the first, quoted, token of the
     * command line. Environment and current directory are inherited; the
     * caller has made the package folder the current directory.
     */
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, REALTIME_PRIORITY_CLASS,
                        NULL, NULL, &startup, &process))
        return 0; /* nothing more is called, so the caller's GetLastError sees why */

    WaitForSingleObject(process.hThread, waitMilliseconds);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}
