#pragma once

#include <QtGlobal>

// What the serial control library offers the programs that load it. A
// library on Windows exports only what is marked so; on Linux the marks
// change nothing.
#ifdef MSCOMM32_LIBRARY
#define MSCOMM_EXPORT Q_DECL_EXPORT
#else
#define MSCOMM_EXPORT Q_DECL_IMPORT
#endif
