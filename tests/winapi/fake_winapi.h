// fake_winapi.h - a scripted, recording stand-in for the Windows calls the
// launcher makes. Each test scripts the platform's answers, runs launcher
// code, then reads back every call with its arguments, in order.
#ifndef LAUNCHER_FAKE_WINAPI_H
#define LAUNCHER_FAKE_WINAPI_H

#include <string>
#include <vector>

#include <windows.h>

namespace fake {

enum class Key { Present, Absent, Denied };

struct Script {
    bool versionQueryFails = false;
    DWORD majorVersion = 6;
    DWORD minorVersion = 1;
    bool moduleQueryFails = false;
    std::string modulePath = "C:\\kit\\setup.exe";
    Key wow64Key = Key::Present;
    DWORD setDirectoryError = 0; // 0: the directory change succeeds
    DWORD createError = 0;       // 0: the process is created
};

// The handles the fake gives out; calls name them in the record.
HINSTANCE Instance();

void Reset(const Script &script);
const std::vector<std::string> &Calls();
int OpenHandles(); // keys, threads and processes given out and not yet closed

} // namespace fake

#endif
