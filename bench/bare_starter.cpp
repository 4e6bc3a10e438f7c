// bare_starter.cpp - the floor of any launcher: starts the installer beside it with the
// launcher's command line, from the same folder and in the same priority class, and checks
// nothing. It has no C run-time: it imports KERNEL32 alone, and its entry is the image's.
// Built with BARE_STARTER_PROBE, it also makes the launcher's registry probe first (and so
// imports ADVAPI32 too): the floor of a launcher that must tell 64-bit Windows from 32-bit.
#include <windows.h>

static const char PACKAGE[] = "Vista64\\USB";
static const char PROGRAM[] = "\\DPInst.exe\" /sa";

// Zero-filled by the loader, so no run-time routine is needed to clear them.
static char folder[MAX_PATH + sizeof PACKAGE];
static char command[sizeof folder + sizeof PROGRAM + 1];
static STARTUPINFOA startup;
static PROCESS_INFORMATION process;

static DWORD Append(char *to, DWORD at, const char *text)
{
    while (*text) to[at++] = *text++;
    return at;
}

extern "C" void WinMainCRTStartup(void)
{
#ifdef BARE_STARTER_PROBE
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node", 0, KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS)
        RegCloseKey(key);
#endif
    DWORD length = GetModuleFileNameA(NULL, folder, MAX_PATH);
    while (length > 0 && folder[length - 1] != '\\') --length;
    folder[Append(folder, length, PACKAGE)] = '\0';
    SetCurrentDirectoryA(folder);

    command[0] = '"';
    command[Append(command, Append(command, 1, folder), PROGRAM)] = '\0';
    startup.cb = sizeof startup;
    CreateProcessA(NULL, command, NULL, NULL, FALSE, REALTIME_PRIORITY_CLASS, NULL, NULL,
                   &startup, &process);
    ExitProcess(0);
}
