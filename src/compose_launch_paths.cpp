/*
 * compose_launch_paths.cpp - from the launcher's own path to the package
 * folder and the installer's command line.
 *
 * Pure text work on two fixed buffers, so that it can be driven without a
 * platform. Every length is checked before anything is written.
 */
#include <stdio.h>
#include <string.h>

#include "launcher.h"

static const char PACKAGE_FOLDER_64[] = "\\Vista64\\USB";
static const char PACKAGE_FOLDER_32[] = "\\Vista\\USB";

/*
 * The program path is quoted: unquoted, CreateProcessA would try every
 * blank-separated prefix of a path such as C:\My Kit\... as a program first.
 */
static const char COMMAND_FORMAT[] = "\"%s\\DPInst.exe\" /sa";
#define COMMAND_EXTRA_CHARS 17 /* two quotes, \DPInst.exe, a blank, /sa */

int ComposeLaunchPaths(char *path, int is64BitWindows, char *commandLine)
{
    const char *suffix = is64BitWindows ? PACKAGE_FOLDER_64 : PACKAGE_FOLDER_32;
    size_t suffixLength = is64BitWindows ? sizeof PACKAGE_FOLDER_64 - 1
                                         : sizeof PACKAGE_FOLDER_32 - 1;
    size_t folderLength;
    char *lastBackslash;

    commandLine[0] = '\0';

    /* The module path query leaves no terminator when it had to cut the path. */
    if (memchr(path, '\0', LAUNCHER_PATH_CHARS) == NULL) {
        path[LAUNCHER_PATH_CHARS - 1] = '\0';
        return LAUNCH_PATHS_TOO_LONG;
    }

    lastBackslash = strrchr(path, '\\');
    if (lastBackslash == NULL)
        return LAUNCH_PATHS_NO_FOLDER;

    /* The command line is the longest result; when it fits, so does the folder. */
    folderLength = (size_t)(lastBackslash - path);
    if (folderLength + suffixLength + COMMAND_EXTRA_CHARS > LAUNCHER_PATH_CHARS - 1)
        return LAUNCH_PATHS_TOO_LONG;

    /* The suffix starts with a backslash: it takes the cut one's place. */
    memcpy(path + folderLength, suffix, suffixLength + 1);
    (void)snprintf(commandLine, LAUNCHER_PATH_CHARS, COMMAND_FORMAT, path); /* fits: checked above */
    return LAUNCH_PATHS_OK;
}
