#pragma once

#include "launcher/launchseams.h"

// Finds the top-level windows of this desktop whose title is exactly the one
// asked for: FindWindowA with no class name and the title in the system's
// code page, then FindWindowExA for the windows after it; a window counts
// when its title, read back, is the title character for character
// (FindWindowA compares regardless of case).
class TitleWindowFinder : public WindowFinder
{
public:
    // Nothing when the system's code page cannot spell the title: no window
    // can then be found by it, and the launcher follows the terminal's process.
    std::optional<std::vector<TitledWindow>> find(std::string_view title) override;
};
