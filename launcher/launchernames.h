#pragma once

#include <chrono>

// The fixed names the launcher works with.
namespace launchernames {

// Ids of the two files the launcher carries inside itself.
inline constexpr int terminalResource = 101;
inline constexpr int controlResource = 102;

inline constexpr char terminalFileName[] = "DravikVarnicaV1.2.exe";
inline constexpr char controlFileName[] = "mscomm32.ocx";
// Copies of the terminal left by earlier starts, whatever version follows the name.
inline constexpr char cleanUpPattern[] = "DravikVarnica*.exe";

inline constexpr std::chrono::milliseconds tickInterval{300};

} // namespace launchernames
