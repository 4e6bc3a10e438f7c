// dpinst_standin.cpp - stands in for the driver package installer in tests
// and in the demo. It writes what it was given to "<its own path>.record":
//   module=<its own path>
//   command=<its full command line>
//   directory=<its current directory>
// then, after STANDIN_LINGER_MS milliseconds (0 when unset), a last line
//   finished
// so a test can tell a program still running from one that has ended.
// A copy under another name (a planted C:\My.exe, say) records the same way.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static void WriteRecord(const char *recordPath, const char *mode, const char *text)
{
    FILE *file = fopen(recordPath, mode);
    if (file == NULL) return;
    fputs(text, file);
    fclose(file);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char module[MAX_PATH] = {};
    char directory[MAX_PATH] = {};
    char recordPath[MAX_PATH + 8] = {};
    static char text[3 * MAX_PATH + 32 * 1024];

    GetModuleFileNameA(NULL, module, sizeof module);
    GetCurrentDirectoryA(sizeof directory, directory);
    snprintf(recordPath, sizeof recordPath, "%s.record", module);
    snprintf(text, sizeof text, "module=%s\ncommand=%s\ndirectory=%s\n", module, GetCommandLineA(),
             directory);
    WriteRecord(recordPath, "w", text);

    const char *linger = getenv("STANDIN_LINGER_MS");
    if (linger != NULL) Sleep(static_cast<DWORD>(strtoul(linger, NULL, 10)));
    WriteRecord(recordPath, "a", "finished\n");
    return 0;
}
