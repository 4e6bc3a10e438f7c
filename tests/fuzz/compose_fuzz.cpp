// compose_fuzz.cpp - libFuzzer target over ComposeLaunchPaths.
//
// Input: one control byte, then the bytes the module path query left in the path buffer.
//   bit 0 of the control byte: the probe's answer (1: 64-bit Windows);
//   bit 1: fill the rest of the 256-character buffer with non-zero bytes, so the buffer
//          holds no terminator unless the input brings one.
// The buffers are exact-size heap blocks, so AddressSanitizer sees any access outside them.
// The result is checked against a model written here with std::string.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "launcher.h"

namespace {

void Check(bool holds)
{
    if (!holds) __builtin_trap();
}

struct Expected {
    int answer;
    std::string folder;  // the path buffer's text afterwards
    std::string command; // the command buffer's text afterwards
};

Expected Model(const char *buffer, int is64)
{
    const void *end = std::memchr(buffer, '\0', LAUNCHER_PATH_CHARS);
    if (end == nullptr) // cut path: refused, and the buffer is terminated in its last place
        return {LAUNCH_PATHS_TOO_LONG, std::string(buffer, LAUNCHER_PATH_CHARS - 1), ""};
    std::string path(buffer);
    const size_t names = path.starts_with("\\\\?\\") ? 4 : 0;
    if (path.find('?', names) != std::string::npos) return {LAUNCH_PATHS_NOT_ANSI, path, ""};
    size_t backslash = path.rfind('\\');
    if (backslash == std::string::npos) return {LAUNCH_PATHS_NO_FOLDER, path, ""};
    std::string folder = path.substr(0, backslash) + (is64 ? "\\Vista64\\USB" : "\\Vista\\USB");
    std::string command = "\"" + folder + "\\DPInst.exe\" /sa";
    if (command.size() > LAUNCHER_PATH_CHARS - 1) return {LAUNCH_PATHS_TOO_LONG, path, ""};
    return {LAUNCH_PATHS_OK, folder, command};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    const int is64 = data[0] & 1;
    const bool fill = (data[0] & 2) != 0;
    ++data;
    --size;

    char *path = static_cast<char *>(std::malloc(LAUNCHER_PATH_CHARS));
    char *command = static_cast<char *>(std::malloc(LAUNCHER_PATH_CHARS));
    std::memset(path, fill ? 'x' : 0, LAUNCHER_PATH_CHARS);
    std::memset(command, 0, LAUNCHER_PATH_CHARS);
    std::memcpy(path, data, size < LAUNCHER_PATH_CHARS ? size : LAUNCHER_PATH_CHARS);

    const Expected expected = Model(path, is64);
    const int answer = ComposeLaunchPaths(path, is64, command);

    Check(answer == expected.answer);
    Check(std::memchr(path, '\0', LAUNCHER_PATH_CHARS) != nullptr);
    Check(std::memchr(command, '\0', LAUNCHER_PATH_CHARS) != nullptr);
    Check(path == expected.folder);
    Check(command == expected.command);
    if (answer == LAUNCH_PATHS_OK) Check(std::strlen(command) <= LAUNCHER_PATH_CHARS - 1);

    std::free(path);
    std::free(command);
    return 0;
}
