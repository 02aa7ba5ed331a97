#pragma once

#include <span>
#include <string_view>

// What varnica-solo carries inside itself: the terminal and its serial control
// library raw, and the run-time the terminal needs beside it compressed.
namespace carriedfiles {

// The bytes of resource id (launchernames::terminalResource or
// controlResource): the build's terminal or serial control library, stripped
// of what only a debugger reads. Empty for any other id.
std::string_view resource(int id);

// One file of the run-time: a library, a plugin, Qt's paths file, a
// translation or a licence text.
struct RuntimeFile
{
    std::string_view path; // inside the folder the launcher works in, "/" between folders
    std::string_view
        frame; // compressed, stating its size and checksumming its bytes (runtimeframe.h)
};

// The run-time's files.
std::span<const RuntimeFile> runtime();

} // namespace carriedfiles
