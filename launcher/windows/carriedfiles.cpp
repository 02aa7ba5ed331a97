// The carried files as resources of the launcher's own executable, all of
// them language Chinese (PRC), 2052, stored raw (windows/carried.rc.in):
//
// - type "CUSTOM", 101: the terminal; 102: the serial control file;
// - type "RUNTIME", 1: the run-time's paths, one a line, in the order of the
//   frames that follow as 2, 3, ...
#include "launcher/carriedfiles.h"

#include "launcher/launchernames.h"

#include <windows.h>

#include <vector>

namespace carriedfiles {

namespace {

constexpr WORD carriedLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr WORD runtimePaths = 1;

std::string_view resourceBytes(const wchar_t *type, WORD id)
{
    const HRSRC found = ::FindResourceExW(nullptr, type, MAKEINTRESOURCEW(id), carriedLanguage);
    const HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
    const void *bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return {};
    return {static_cast<const char *>(bytes), ::SizeofResource(nullptr, found)};
}

std::vector<RuntimeFile> readRuntime()
{
    std::vector<RuntimeFile> files;
    std::string_view paths = resourceBytes(L"RUNTIME", runtimePaths);
    while (!paths.empty()) {
        const size_t lineEnd = paths.find('\n');
        const std::string_view path = paths.substr(0, lineEnd);
        paths.remove_prefix(lineEnd == std::string_view::npos ? paths.size() : lineEnd + 1);
        if (path.empty())
            continue;
        files.push_back({path, resourceBytes(L"RUNTIME", WORD(runtimePaths + 1 + files.size()))});
    }
    return files;
}

} // namespace

std::string_view resource(int id)
{
    if (id != launchernames::terminalResource && id != launchernames::controlResource)
        return {};
    return resourceBytes(L"CUSTOM", WORD(id));
}

std::span<const RuntimeFile> runtime()
{
    static const std::vector<RuntimeFile> files = readRuntime();
    return files;
}

} // namespace carriedfiles
