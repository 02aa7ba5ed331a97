#include "window/windowfonts.h"

#include "widgets/twips.h"

#include <QFontInfo>
#include <QStringList>

#include <cmath>

namespace {

constexpr int twipsPerPoint = 20;

// The Song face, then faces close to it in case it is missing: each is named
// by family and found through the system's font list (fontconfig on Linux).
// The controls fit whatever face is found, shrinking its text where its
// lines are taller or its digits wider. Windows brings SimSun (宋体, named
// in English and in Chinese); Linux desktops bring AR PL UMing.
const QStringList songFamilies{
#ifdef Q_OS_WIN
    QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"),
#else
    QStringLiteral("AR PL UMing CN"), QStringLiteral("SimSun"), QStringLiteral("宋体"),
#endif
    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")};

// Faces whose bitmaps cover the window's pixel sizes. On Windows the system
// draws SimSun's bitmaps of its own accord, and AR PL UMing's drawn
// unsmoothed lose rows of the Latin letters (under wine).
bool hasBitmapsAt(const QFont &font)
{
#ifdef Q_OS_WIN
    Q_UNUSED(font);
    return false;
#else
    const QFontInfo found(font);
    return found.family().startsWith(QLatin1String("AR PL UMing")) && found.pixelSize() >= 11 &&
           found.pixelSize() <= 16;
#endif
}

} // namespace

namespace windowfonts {

QFont songFont(qreal points, qreal devicePixelRatio)
{
    QFont font;
    font.setFamilies(songFamilies);
    font.setPixelSize(twips::toPixels(int(std::lround(points * twipsPerPoint))));
    font.setWeight(QFont::Normal);
    // Smoothed, the face is drawn from its outlines, thin and grey at these
    // sizes; at twice the pixels the outlines are crisp and no bitmaps fit.
    if (qFuzzyCompare(devicePixelRatio, 1.0) && hasBitmapsAt(font))
        font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QFont windowFont(qreal devicePixelRatio)
{
    return songFont(9, devicePixelRatio);
}

} // namespace windowfonts
