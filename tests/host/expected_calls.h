// expected_calls.h - the platform calls of a launcher run, as the fake records them.
#ifndef LAUNCHER_EXPECTED_CALLS_H
#define LAUNCHER_EXPECTED_CALLS_H

#include <string>
#include <vector>

namespace expected {

using Calls = std::vector<std::string>;

inline const std::string kVersion = "GetVersionExA(size=148)";
inline const std::string kModule = "GetModuleFileNameA(instance, size=256)";
inline const std::string kProbe =
    "RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE\\Wow6432Node, options=0, access=0x1)";
inline const std::string kCloseKey = "RegCloseKey(key)";
inline const std::string kWait = "WaitForSingleObject(thread, 0)";
inline const std::string kCloseThread = "CloseHandle(thread)";
inline const std::string kCloseProcess = "CloseHandle(process)";

inline std::string Debug(const std::string &line) { return "OutputDebugStringA(" + line + "\\n)"; }
inline const std::string kRefused = Debug("Error! The API for Vista O.S. only.");
inline const std::string kNoFolder = Debug("Error! Cannot locate the launcher.");
inline const std::string kTooLong = Debug("Error! The launcher path is too long.");
inline const std::string kNotAnsi = Debug("Error! The launcher path does not fit the ANSI code page.");

inline std::string ChangeDirectory(const std::string &folder)
{
    return "SetCurrentDirectoryA(" + folder + ")";
}

// The start exactly as the installer must get it: no application name, the
// given command line, no security attributes, no inherited handles, the
// real-time class, inherited environment and directory, records zero-filled.
inline std::string Create(const std::string &commandLine)
{
    return "CreateProcessA(NULL, " + commandLine +
           ", NULL, NULL, inherit=0, flags=0x100, env=NULL, dir=NULL, startup=sized+zeroed, "
           "process=zeroed)";
}

// The probe: the key opened and, when it was there, closed at once.
inline Calls Probe(bool keyOpened)
{
    return keyOpened ? Calls{kProbe, kCloseKey} : Calls{kProbe};
}

// A run that got past the version gate and found its folder, up to the start.
inline Calls UpToStart(bool keyOpened, const std::string &folder)
{
    Calls calls{kVersion, kModule};
    for (const std::string &call : Probe(keyOpened)) calls.push_back(call);
    calls.push_back(ChangeDirectory(folder));
    calls.push_back(Create("\"" + folder + "\\DPInst.exe\" /sa"));
    return calls;
}

// ... that started the installer: a zero wait on its thread, then both handles closed.
inline Calls Started(bool keyOpened, const std::string &folder)
{
    Calls calls = UpToStart(keyOpened, folder);
    calls.insert(calls.end(), {kWait, kCloseThread, kCloseProcess});
    return calls;
}

// ... whose start failed: the error code read straight after, then reported.
inline Calls NotStarted(bool keyOpened, const std::string &folder, unsigned long error)
{
    Calls calls = UpToStart(keyOpened, folder);
    calls.push_back("GetLastError() = " + std::to_string(error));
    calls.push_back(Debug("Error! Cannot start DPInst.exe (error " + std::to_string(error) + ")."));
    return calls;
}

} // namespace expected

#endif
