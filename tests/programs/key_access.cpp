// key_access.cpp - denies or gives back read access to HKLM\SOFTWARE\Wow6432Node,
// so that a 64-bit Wine prefix, which always holds that key, can also play a
// 32-bit Windows to the launcher's probe.
//   KeyAccess deny    Everyone may not read the key (opening it for query fails)
//   KeyAccess allow   Everyone has full access again
// Exit status 0 when the key's DACL was set, 1 otherwise (with the reason on stderr).
#include <windows.h>

#include <sddl.h>
#include <stdio.h>
#include <string.h>

static const char DENY_READ[] = "D:(D;;KR;;;WD)(A;;KA;;;WD)";
static const char ALLOW_ALL[] = "D:(A;;KA;;;WD)";

int main(int argc, char **argv)
{
    const char *sddl = NULL;
    if (argc == 2 && strcmp(argv[1], "deny") == 0) sddl = DENY_READ;
    if (argc == 2 && strcmp(argv[1], "allow") == 0) sddl = ALLOW_ALL;
    if (sddl == NULL) {
        fprintf(stderr, "usage: KeyAccess deny|allow\n");
        return 1;
    }

    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              NULL)) {
        fprintf(stderr, "cannot convert %s: error %lu\n", sddl, GetLastError());
        return 1;
    }
    // WRITE_DAC alone: the key's owner may always change its DACL, whatever the DACL says.
    HKEY key = NULL;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node", 0, WRITE_DAC, &key);
    if (status == ERROR_SUCCESS) {
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    if (status != ERROR_SUCCESS) {
        fprintf(stderr, "cannot set the key's DACL to %s: error %ld\n", sddl, status);
        return 1;
    }
    return 0;
}
