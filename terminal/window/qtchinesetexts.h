#pragma once

// Makes the texts that Qt itself brings along Chinese, as the window is: the
// OK button of the message boxes, the edit menus of the one-line boxes, the
// scroll bars' menus. Loads Qt's own translation (qtbase_zh_CN) from where Qt
// keeps its translations (on Windows, the translations folder beside the
// terminal); returns false when it is not installed, and the
// texts stay English. Needs the application object.
bool installQtChineseTexts();
