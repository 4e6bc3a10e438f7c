/*
 * launcher.h - the launcher's own routines.
 *
 * The launcher refuses any Windows whose major version is not 6, picks the
 * driver package folder that suits the word size of the running Windows,
 * makes it the current directory and starts the package installer from it
 * without waiting.
 */
#ifndef LAUNCHER_H
#define LAUNCHER_H

#include <windows.h>

/* Both text buffers hold this many characters, terminator included. */
#define LAUNCHER_PATH_CHARS 256

/* Exit statuses. */
#define LAUNCHER_EXIT_STARTED     0 /* the installer was started */
#define LAUNCHER_EXIT_REFUSED     1 /* the Windows version was refused */
#define LAUNCHER_EXIT_NOT_STARTED 2 /* the installer was not started */

/* Answers of ComposeLaunchPaths. */
#define LAUNCH_PATHS_OK        0 /* both results fit and were written */
#define LAUNCH_PATHS_NO_FOLDER 1 /* the module path holds no backslash */
#define LAUNCH_PATHS_TOO_LONG  2 /* the module path was cut, or a result would not fit */
#define LAUNCH_PATHS_NOT_ANSI  3 /* a name in the module path has no form in the ANSI code page */

/*
 * Turns the module path in path (a buffer of LAUNCHER_PATH_CHARS characters,
 * which need not hold a terminator) into the package folder, in place, and
 * writes the installer's command line into commandLine (another buffer of
 * LAUNCHER_PATH_CHARS characters). Touches nothing but the two buffers.
 * On any answer but LAUNCH_PATHS_OK both buffers are left terminated and
 * commandLine is empty.
 */
int ComposeLaunchPaths(char *path, int is64BitWindows, char *commandLine);

/* 1 when HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node can be opened, 0 otherwise. */
int Is64BitWindows(void);

/*
 * Starts the program on commandLine and waits at most waitMilliseconds on its
 * primary thread. 1 when the process was created; 0 when not, in which case
 * nothing else was called, so GetLastError still tells why.
 */
int LaunchCommand(char *commandLine, DWORD waitMilliseconds);

#endif /* LAUNCHER_H */
