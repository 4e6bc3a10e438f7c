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
static const char LONG_PATH_PREFIX[] = "\\\\?\\";

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
    const char *names;
    char *lastBackslash;

    commandLine[0] = '\0';

    /* The module path query leaves no terminator when it had to cut the path. */
    if (memchr(path, '\0', LAUNCHER_PATH_CHARS) == NULL) {
        path[LAUNCHER_PATH_CHARS - 1] = '\0';
        return LAUNCH_PATHS_TOO_LONG;
    }

    /*
     * The ANSI path query writes '?' for each character the code page lacks, and
     * '?' is never part of a file name: such a folder cannot be reached through
     * this path. Only the "\\?\" form of a path holds one of its own.
     */
    names = path;
    if (strncmp(path, LONG_PATH_PREFIX, sizeof LONG_PATH_PREFIX - 1) == 0)
        names += sizeof LONG_PATH_PREFIX - 1;
    if (strchr(names, '?') != NULL)
        return LAUNCH_PATHS_NOT_ANSI;

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
