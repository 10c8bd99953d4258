#pragma once
// Window geometry is stored and specified in twips; Qt works in pixels.
#include <QRect>

inline constexpr int TwipsPerPixel = 15;
inline constexpr int twipsToPx(int twips) { return twips / TwipsPerPixel; }
inline constexpr int pxToTwips(int px) { return px * TwipsPerPixel; }
// A design rectangle given in twips, as a widget geometry.
inline constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPx(left), twipsToPx(top), twipsToPx(width), twipsToPx(height)};
}
