#pragma once

// The names the terminal shows, shared with the launcher, which finds the
// running terminal by its window's caption. Plain UTF-8, so that the launcher,
// which has no Qt, uses the very same definition; QString takes them as they
// stand.
namespace titles {

// The caption of the terminal's main window, two blanks and the full-width
// colon included.
inline constexpr char terminalWindow[] = "Varnica  Dravik制作：V1.2 2008-09-28 单文件版";

// The application's name, also the caption of the port warnings.
inline constexpr char application[] = "Varnica";

} // namespace titles
