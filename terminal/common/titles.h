#pragma once

#include <QString>

// The names the terminal shows, shared with the launcher, which finds the
// running terminal by its window's caption.
namespace titles {

// The caption of the terminal's main window, two blanks and the full-width
// colon included.
inline const QString terminalWindow =
    QStringLiteral("Varnica  Dravik制作：V1.2 2008-09-28 单文件版");

// The application's name, also the caption of the port warnings.
inline const QString application = QStringLiteral("Varnica");

} // namespace titles
