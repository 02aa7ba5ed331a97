#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The system's own conversion between GBK (code page 936) and text, which
// the gbk tables are built from: ICU through Qt on Linux, the code page of
// Windows there (unix/ and windows/ hold one side each). What the two make of
// a code differently is evened out in gbk.cpp, so that both give the same.
namespace gbkconversion {

// False when the system has no GBK conversion.
bool available();

// What the conversion makes of bytes taken on their own (one byte, or a lead
// and a trail byte), from its initial state.
QString decode(QByteArrayView bytes);

// The bytes of a text of characters of the Basic Multilingual Plane (no
// surrogates); a character GBK does not have is the substitute "?".
QByteArray encode(QStringView text);

} // namespace gbkconversion
