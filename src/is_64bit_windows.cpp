/*
 * is_64bit_windows.cpp - tells 64-bit Windows from 32-bit Windows.
 *
 * Only 64-bit Windows keeps the registry branch for 32-bit programs. The key
 * is opened in the view this process sees, with no view flag: a 32-bit
 * launcher on 64-bit Windows still finds it there.
 */
#include "launcher.h"

static const char WOW64_KEY[] = "SOFTWARE\\Wow6432Node";

int Is64BitWindows(void)
{
    HKEY key = NULL;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WOW64_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0; /* absent, refused or failed: all count as 32-bit */

    RegCloseKey(key);
    return 1;
}
