// fake_winapi.cpp - the recording fake behind tests/winapi/windows.h.
#include "fake_winapi.h"

#include <cstdio>
#include <cstring>
#include <set>

namespace {

fake::Script script;
std::vector<std::string> calls;
std::set<const void *> open;
DWORD lastError;

HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(0x400000);
HKEY const kKey = reinterpret_cast<HKEY>(0x4B4B);
HANDLE const kProcess = reinterpret_cast<HANDLE>(0x9009);
HANDLE const kThread = reinterpret_cast<HANDLE>(0x7007);

std::string Name(const void *handle)
{
    if (handle == nullptr) return "NULL";
    if (handle == kInstance) return "instance";
    if (handle == kKey) return "key";
    if (handle == kProcess) return "process";
    if (handle == kThread) return "thread";
    if (handle == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    char text[32];
    std::snprintf(text, sizeof text, "%p", handle);
    return text;
}

std::string Text(const char *text)
{
    if (text == nullptr) return "NULL";
    std::string shown;
    for (const char *c = text; *c; ++c) {
        if (*c == '\n') shown += "\\n";
        else shown += *c;
    }
    return shown;
}

std::string Hex(unsigned long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

// "zeroed" when a record holds nothing but, optionally, its own size in its first field.
template <typename Record> std::string Shape(const Record *record, bool sized)
{
    if (record == nullptr) return "NULL";
    Record expected;
    std::memset(&expected, 0, sizeof expected);
    if (sized) *reinterpret_cast<DWORD *>(&expected) = sizeof expected;
    if (std::memcmp(record, &expected, sizeof expected) == 0) return sized ? "sized+zeroed" : "zeroed";
    return "dirty";
}

void Record(const std::string &call) { calls.push_back(call); }

} // namespace

namespace fake {

HINSTANCE Instance() { return kInstance; }

void Reset(const Script &next)
{
    script = next;
    calls.clear();
    open.clear();
    lastError = 0;
}

const std::vector<std::string> &Calls() { return calls; }

int OpenHandles() { return static_cast<int>(open.size()); }

} // namespace fake

extern "C" {

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info)
{
    Record("GetVersionExA(size=" + std::to_string(info->dwOSVersionInfoSize) + ")");
    if (script.versionQueryFails || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    info->dwMajorVersion = script.majorVersion;
    info->dwMinorVersion = script.minorVersion;
    info->dwBuildNumber = 7601;
    info->dwPlatformId = 2;
    return TRUE;
}

void WINAPI OutputDebugStringA(LPCSTR text) { Record("OutputDebugStringA(" + Text(text) + ")"); }

// As Windows Vista and later: a path that does not fit is cut, terminated,
// and reported with the buffer's full size.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    Record("GetModuleFileNameA(" + Name(module) + ", size=" + std::to_string(size) + ")");
    if (script.moduleQueryFails) {
        lastError = ERROR_INVALID_HANDLE;
        return 0;
    }
    const std::string &path = script.modulePath;
    if (path.size() < size) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR path)
{
    Record("SetCurrentDirectoryA(" + Text(path) + ")");
    if (script.setDirectoryError != 0) {
        lastError = script.setDirectoryError;
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine,
                           LPSECURITY_ATTRIBUTES processAttributes,
                           LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                           DWORD flags, LPVOID environment, LPCSTR directory,
                           LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process)
{
    Record("CreateProcessA(" + Text(application) + ", " + Text(commandLine) + ", " +
           Name(processAttributes) + ", " + Name(threadAttributes) + ", inherit=" +
           std::to_string(inheritHandles) + ", flags=" + Hex(flags) + ", env=" +
           Name(environment) + ", dir=" + Text(directory) + ", startup=" +
           Shape(startup, true) + ", process=" + Shape(process, false) + ")");
    if (script.createError != 0) {
        lastError = script.createError;
        return FALSE;
    }
    process->hProcess = kProcess;
    process->hThread = kThread;
    process->dwProcessId = 0x120;
    process->dwThreadId = 0x124;
    open.insert(kProcess);
    open.insert(kThread);
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    Record("WaitForSingleObject(" + Name(handle) + ", " + std::to_string(milliseconds) + ")");
    if (open.count(handle) == 0) {
        lastError = ERROR_INVALID_HANDLE;
        return 0xFFFFFFFF; // WAIT_FAILED
    }
    return 0x102; // WAIT_TIMEOUT: the program runs on
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    Record("CloseHandle(" + Name(handle) + ")");
    if (open.erase(handle) == 0) {
        lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetLastError(void)
{
    Record("GetLastError() = " + std::to_string(lastError));
    return lastError;
}

LSTATUS WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    Record("RegOpenKeyExA(" + Name(parent) + ", " + Text(subKey) + ", options=" +
           std::to_string(options) + ", access=" + Hex(access) + ")");
    switch (script.wow64Key) {
    case fake::Key::Absent:
        return ERROR_FILE_NOT_FOUND;
    case fake::Key::Denied:
        return ERROR_ACCESS_DENIED;
    case fake::Key::Present:
        break;
    }
    *result = kKey;
    open.insert(kKey);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key)
{
    Record("RegCloseKey(" + Name(key) + ")");
    return open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // extern "C"
