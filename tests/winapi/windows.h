/*
 * windows.h - the launcher's view of the Windows API, for host builds.
 *
 * Only what the launcher calls, declared after the documented interface:
 * the same names, argument orders, record layouts and constant values, so
 * that the launcher's sources compile unchanged. The definitions are the
 * recording fake in fake_winapi.cpp.
 */
#ifndef LAUNCHER_HOST_WINDOWS_H
#define LAUNCHER_HOST_WINDOWS_H

#include <stdint.h>
#include <string.h>

#define WINAPI /* the calling convention only matters on i686 Windows */

typedef int BOOL;
typedef char CHAR;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef LONG LSTATUS;
typedef uintptr_t ULONG_PTR;
typedef DWORD REGSAM;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
typedef BYTE *LPBYTE;
typedef void *LPVOID;
typedef void *HANDLE;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__ *HKEY;
typedef HKEY *PHKEY;
typedef struct SECURITY_ATTRIBUTES_ *LPSECURITY_ATTRIBUTES;

#define FALSE 0
#define TRUE 1

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_ELEVATION_REQUIRED 740L

#ifdef __cplusplus
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002)))
#else
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#endif
#define KEY_QUERY_VALUE 0x0001
#define REALTIME_PRIORITY_CLASS 0x00000100
#define NORMAL_PRIORITY_CLASS 0x00000020
#define INFINITE 0xFFFFFFFF

#define ZeroMemory(destination, length) memset((destination), 0, (length))

typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, *LPOSVERSIONINFOA;

typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

#ifdef __cplusplus
extern "C" {
#endif

/* Kernel services */
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
void WINAPI OutputDebugStringA(LPCSTR lpOutputString);
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName);
BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine,
                           LPSECURITY_ATTRIBUTES lpProcessAttributes,
                           LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
                           DWORD dwCreationFlags, LPVOID lpEnvironment,
                           LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation);
DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL WINAPI CloseHandle(HANDLE hObject);
DWORD WINAPI GetLastError(void);

/* Registry services */
LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                             PHKEY phkResult);
LSTATUS WINAPI RegCloseKey(HKEY hKey);

/* The program's entry, called by the platform's start-up (here: by the tests). */
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

#ifdef __cplusplus
}
#endif

#endif /* LAUNCHER_HOST_WINDOWS_H */
