#pragma once

#include <QString>

#include <chrono>

// The fixed names the launcher works with.
namespace launchernames {

// Ids of the two files the launcher carries inside itself.
inline constexpr int terminalResource = 101;
inline constexpr int controlResource = 102;

inline const QString terminalFileName = QStringLiteral("DravikVarnicaV1.2.exe");
inline const QString controlFileName = QStringLiteral("mscomm32.ocx");
// Copies of the terminal left by earlier starts, whatever version follows the name.
inline const QString cleanUpPattern = QStringLiteral("DravikVarnica*.exe");

inline constexpr std::chrono::milliseconds tickInterval{300};

} // namespace launchernames
