#pragma once
// Window geometry is stored and specified in twips; Qt works in pixels.
inline constexpr int TwipsPerPixel = 15;
inline constexpr int twipsToPx(int twips) { return twips / TwipsPerPixel; }
inline constexpr int pxToTwips(int px) { return px * TwipsPerPixel; }
