#pragma once
// The tree images, drawn at run time: one picture per icon number that the
// device descriptions use (devices 2 to 60, views 4 and 36 to 57).
#include <QIcon>
#include <QVector>

inline constexpr int TreeImageCount = 64;

// Index i holds the picture of icon number i; unused numbers hold a plain marker.
QVector<QIcon> fCreateTreeImages();
