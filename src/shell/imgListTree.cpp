#include "imgListTree.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

constexpr int Size = 16;

enum class Kind { Coupler, Controller, Terminal, Safety, BoxModule, SubDevice, Unknown, Settings, ProcessData,
                  Channel, Input, Output, Table, Mapping, Security, Restore, Save, Routing, PartList, Trace,
                  Folder, Plain };

struct Style {
    Kind kind;
    QColor color;
};

// Colours follow the usual terminal colour codes: yellow digital in, red digital out,
// green analog in, orange analog out.
Style styleOf(int index)
{
    switch (index) {
    case 2: return {Kind::Coupler, QColor(40, 90, 170)};
    case 3: return {Kind::Coupler, QColor(30, 130, 130)};
    case 46: return {Kind::Controller, QColor(110, 60, 150)};
    case 54: return {Kind::Coupler, QColor(130, 90, 50)};
    case 4: return {Kind::Unknown, QColor(120, 120, 120)};
    case 5: return {Kind::Terminal, QColor(230, 200, 30)};
    case 6: return {Kind::Terminal, QColor(210, 50, 40)};
    case 7: return {Kind::Terminal, QColor(50, 160, 70)};
    case 8: return {Kind::Terminal, QColor(235, 130, 30)};
    case 9: return {Kind::Terminal, QColor(150, 150, 150)};
    case 11: return {Kind::Terminal, QColor(60, 110, 200)};
    case 58: return {Kind::Safety, QColor(230, 200, 30)};
    case 59: return {Kind::Safety, QColor(210, 50, 40)};
    case 60: return {Kind::Safety, QColor(60, 110, 200)};
    case 20: return {Kind::SubDevice, QColor(90, 120, 160)};
    case 36: return {Kind::Settings, QColor(100, 100, 110)};
    case 39: return {Kind::ProcessData, QColor(20, 120, 60)};
    case 40: return {Kind::Channel, QColor(200, 160, 60)};
    case 41: return {Kind::Input, QColor(30, 140, 60)};
    case 42: return {Kind::Output, QColor(200, 60, 40)};
    case 43: return {Kind::Table, QColor(50, 90, 160)};
    case 48: return {Kind::Mapping, QColor(50, 90, 160)};
    case 49: return {Kind::Security, QColor(170, 130, 30)};
    case 50: return {Kind::Restore, QColor(40, 80, 150)};
    case 51: return {Kind::Save, QColor(40, 80, 150)};
    case 53: return {Kind::Routing, QColor(40, 120, 160)};
    case 55: return {Kind::PartList, QColor(90, 90, 90)};
    case 56: return {Kind::Trace, QColor(20, 140, 90)};
    case 57: return {Kind::Folder, QColor(225, 180, 70)};
    default: break;
    }
    if (index >= 21 && index <= 35)
        return {Kind::BoxModule, QColor::fromHsv((index - 21) * 24 % 360, 150, 200)};
    return {Kind::Plain, QColor::fromHsv(index * 37 % 360, 90, 190)};
}

void drawArrow(QPainter& p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = qSqrt(d.x() * d.x() + d.y() * d.y());
    if (len <= 0)
        return;
    const QPointF u = d / len, n(-u.y(), u.x());
    QPolygonF head;
    head << to << to - u * 4 + n * 3 << to - u * 4 - n * 3;
    p.setBrush(p.pen().color());
    p.drawPolygon(head);
}

void drawGear(QPainter& p, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8, 8);
        p.rotate(i * 45.0);
        p.drawRect(QRectF(-1.5, -7.5, 3, 4));
        p.restore();
    }
    p.drawEllipse(QPointF(8, 8), 5, 5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 8), 2, 2);
}

void drawGrid(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.fillRect(QRectF(2, 3, 12, 3), c.lighter(150));
    for (int y : {6, 9, 12})
        p.drawLine(QPointF(1.5, y + 0.5), QPointF(14.5, y + 0.5));
    p.drawLine(QPointF(6.5, 2.5), QPointF(6.5, 13.5));
}

void drawDisk(QPainter& p, const QColor& c)
{
    p.setPen(QPen(c.darker(130), 1));
    p.setBrush(c);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.fillRect(QRectF(4, 9, 8, 5), QColor(220, 220, 220));
}

void paint(QPainter& p, int index)
{
    const Style s = styleOf(index);
    const QColor dark = s.color.darker(160);
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (s.kind) {
    case Kind::Coupler:
    case Kind::Controller:
        p.setPen(QPen(dark, 1));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.fillRect(QRectF(2, 2, 12, 4), s.color);
        p.setBrush(dark);
        p.drawEllipse(QPointF(5, 10), 1.5, 1.5);
        p.drawEllipse(QPointF(11, 10), 1.5, 1.5);
        if (s.kind == Kind::Controller)
            p.fillRect(QRectF(6, 8, 4, 4), s.color);
        break;
    case Kind::Terminal:
    case Kind::Safety:
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(240, 240, 240));
        p.drawRect(QRectF(4.5, 0.5, 7, 15));
        p.fillRect(QRectF(5, 1, 6, 4), s.color);
        if (s.kind == Kind::Safety)
            for (int y = 7; y < 15; y += 4)
                p.fillRect(QRectF(5, y, 6, 2), QColor(230, 200, 30));
        p.setBrush(QColor(120, 120, 120));
        p.drawEllipse(QPointF(8, 12.5), 1.2, 1.2);
        break;
    case Kind::BoxModule:
        p.setPen(QPen(dark, 1));
        p.setBrush(QColor(240, 240, 240));
        p.drawRoundedRect(QRectF(0.5, 3.5, 15, 9), 2, 2);
        p.fillRect(QRectF(1, 4, 14, 3), s.color);
        break;
    case Kind::SubDevice:
        p.setPen(QPen(dark, 1));
        p.setBrush(s.color.lighter(150));
        p.drawRect(QRectF(4.5, 1.5, 10, 8));
        p.setBrush(s.color);
        p.drawRect(QRectF(1.5, 6.5, 10, 8));
        break;
    case Kind::Unknown:
        p.setPen(QPen(dark, 1));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(dark);
        p.setFont(QFont(QStringLiteral("Sans"), 8, QFont::Bold));
        p.drawText(QRectF(0, 0, Size, Size), Qt::AlignCenter, QStringLiteral("?"));
        break;
    case Kind::Settings:
        drawGear(p, s.color);
        break;
    case Kind::ProcessData:
        p.setPen(Qt::NoPen);
        p.setBrush(s.color);
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(1.5 + i * 3.5, 13 - (i + 1) * 2.5, 2.5, (i + 1) * 2.5));
        break;
    case Kind::Channel:
        p.setPen(QPen(dark, 1));
        p.setBrush(s.color);
        p.drawRect(QRectF(2.5, 4.5, 11, 7));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 2, 2);
        break;
    case Kind::Input:
        p.setPen(QPen(s.color, 2));
        drawArrow(p, QPointF(1, 8), QPointF(11, 8));
        p.setPen(QPen(QColor(80, 80, 80), 2));
        p.drawLine(QPointF(14, 2), QPointF(14, 14));
        break;
    case Kind::Output:
        p.setPen(QPen(QColor(80, 80, 80), 2));
        p.drawLine(QPointF(2, 2), QPointF(2, 14));
        p.setPen(QPen(s.color, 2));
        drawArrow(p, QPointF(4, 8), QPointF(15, 8));
        break;
    case Kind::Table:
        drawGrid(p, s.color);
        break;
    case Kind::Mapping:
        drawGrid(p, s.color);
        p.setPen(QPen(QColor(200, 60, 40), 1.5));
        drawArrow(p, QPointF(3, 13), QPointF(13, 5));
        break;
    case Kind::Security:
        p.setPen(QPen(dark, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4, 1.5, 8, 9), 0, 180 * 16);
        p.drawLine(QPointF(4, 6), QPointF(4, 8));
        p.drawLine(QPointF(12, 6), QPointF(12, 8));
        p.setPen(Qt::NoPen);
        p.setBrush(s.color);
        p.drawRect(QRectF(2.5, 7.5, 11, 7));
        break;
    case Kind::Restore:
        drawDisk(p, s.color);
        p.setPen(QPen(QColor(30, 150, 60), 2));
        drawArrow(p, QPointF(8, 14), QPointF(8, 7));
        break;
    case Kind::Save:
        drawDisk(p, s.color);
        break;
    case Kind::Routing:
        p.setPen(QPen(dark, 1));
        p.drawLine(QPointF(3, 3), QPointF(8, 12));
        p.drawLine(QPointF(13, 3), QPointF(8, 12));
        p.drawLine(QPointF(3, 3), QPointF(13, 3));
        p.setBrush(s.color);
        for (const QPointF& c : {QPointF(3, 3), QPointF(13, 3), QPointF(8, 12)})
            p.drawEllipse(c, 2.5, 2.5);
        break;
    case Kind::PartList:
        p.setPen(QPen(dark, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 0.5, 11, 15));
        for (int y = 4; y <= 12; y += 3) {
            p.fillRect(QRectF(4, y, 2, 2), s.color);
            p.drawLine(QPointF(7, y + 1), QPointF(12, y + 1));
        }
        break;
    case Kind::Trace: {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(20, 30, 30));
        p.drawRect(QRectF(0.5, 2.5, 15, 11));
        QPainterPath wave;
        wave.moveTo(2, 8);
        for (int x = 2; x <= 14; ++x)
            wave.lineTo(x, 8 - 3.5 * qSin((x - 2) * 0.9));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(80, 230, 120), 1.2));
        p.drawPath(wave);
        break;
    }
    case Kind::Folder:
        p.setPen(QPen(s.color.darker(140), 1));
        p.setBrush(s.color);
        p.drawRect(QRectF(1.5, 4.5, 13, 9));
        p.drawRect(QRectF(1.5, 2.5, 6, 2));
        break;
    case Kind::Plain:
        p.setPen(QPen(dark, 1));
        p.setBrush(s.color);
        p.drawEllipse(QPointF(8, 8), 5, 5);
        break;
    }
}

} // namespace

QVector<QIcon> fCreateTreeImages()
{
    QVector<QIcon> images;
    images.reserve(TreeImageCount);
    for (int i = 0; i < TreeImageCount; ++i) {
        QPixmap pixmap(Size, Size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(painter, i);
        painter.end();
        images.append(QIcon(pixmap));
    }
    return images;
}
