#include "res/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <numbers>

namespace velt {

namespace {

// Every icon is drawn on a 48 x 48 canvas; QIcon scales it to the size a button asks for.
constexpr int kSide = 48;

const QColor kInk(40, 48, 60);
const QColor kAccent(30, 110, 200);
const QColor kGreen(40, 150, 60);
const QColor kOrange(230, 120, 30);

QPen InkPen(const QColor& c, qreal width) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
    p.setPen(InkPen(c, 4));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    QPainterPath head;
    head.moveTo(to + u * 4);
    head.lineTo(to - u * 8 + n * 7);
    head.lineTo(to - u * 8 - n * 7);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(head);
    p.setBrush(Qt::NoBrush);
}

void DrawChip(QPainter& p, const QRectF& body) {
    p.setPen(InkPen(kInk, 2));
    p.setBrush(QColor(70, 80, 95));
    p.drawRoundedRect(body, 3, 3);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        const qreal x = body.left() + body.width() * (i + 0.5) / 4;
        p.drawLine(QPointF(x, body.top() - 4), QPointF(x, body.top()));
        p.drawLine(QPointF(x, body.bottom()), QPointF(x, body.bottom() + 4));
    }
}

void DrawScreen(QPainter& p, const QRectF& r, const QColor& fill) {
    p.setPen(InkPen(kInk, 3));
    p.setBrush(fill);
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(Qt::NoBrush);
}

void PaintComSetting(QPainter& p) {
    p.setPen(InkPen(kInk, 3));
    p.setBrush(QColor(200, 205, 215));
    p.drawRoundedRect(QRectF(10, 16, 22, 18), 4, 4);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(32, 21), QPointF(40, 21));
    p.drawLine(QPointF(32, 29), QPointF(40, 29));
    p.setPen(InkPen(kAccent, 4));
    QPainterPath cable;
    cable.moveTo(10, 25);
    cable.cubicTo(2, 25, 4, 42, 16, 42);
    cable.lineTo(40, 42);
    p.drawPath(cable);
}

void PaintMonitoring(QPainter& p) {
    DrawScreen(p, QRectF(5, 8, 38, 28), QColor(230, 240, 250));
    p.setPen(InkPen(kInk, 3));
    p.drawLine(QPointF(24, 36), QPointF(24, 42));
    p.drawLine(QPointF(14, 42), QPointF(34, 42));
    p.setPen(InkPen(kAccent, 2));
    p.drawArc(QRectF(12, 14, 24, 24), 0, 180 * 16);
    p.setPen(InkPen(QColor(200, 40, 40), 3));
    p.drawLine(QPointF(24, 26), QPointF(31, 18));
}

void PaintParameter(QPainter& p) {
    p.setPen(InkPen(kInk, 2));
    p.setBrush(QColor(245, 245, 235));
    p.drawRect(QRectF(7, 6, 34, 36));
    p.setBrush(Qt::NoBrush);
    const qreal knob[3] = {26, 16, 32};
    for (int i = 0; i < 3; ++i) {
        const qreal y = 14 + i * 10;
        p.setPen(InkPen(kInk, 2));
        p.drawLine(QPointF(12, y), QPointF(36, y));
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRect(QRectF(knob[i] - 3, y - 4, 6, 8));
        p.setBrush(Qt::NoBrush);
    }
}

void PaintScope(QPainter& p) {
    DrawScreen(p, QRectF(4, 8, 40, 32), QColor(15, 20, 25));
    QPainterPath wave;
    for (int x = 0; x <= 32; ++x) {
        const qreal y = 24 - 10 * std::sin(x * 2 * std::numbers::pi / 16.0);
        if (x == 0)
            wave.moveTo(8 + x, y);
        else
            wave.lineTo(8 + x, y);
    }
    p.setPen(InkPen(QColor(60, 230, 90), 2.5));
    p.drawPath(wave);
}

void PaintFolder(QPainter& p) {
    p.setPen(InkPen(kInk, 2));
    p.setBrush(QColor(240, 200, 90));
    QPainterPath folder;
    folder.moveTo(5, 14);
    folder.lineTo(17, 14);
    folder.lineTo(21, 18);
    folder.lineTo(43, 18);
    folder.lineTo(43, 40);
    folder.lineTo(5, 40);
    folder.closeSubpath();
    p.drawPath(folder);
    p.setBrush(Qt::NoBrush);
}

void PaintLoad(QPainter& p) {
    PaintFolder(p);
    DrawArrow(p, QPointF(24, 2), QPointF(24, 26), kGreen);
}

void PaintSave(QPainter& p) {
    p.setPen(InkPen(kInk, 2));
    p.setBrush(QColor(60, 90, 160));
    p.drawRoundedRect(QRectF(7, 7, 34, 34), 3, 3);
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(QRectF(14, 7, 20, 12));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(12, 26, 24, 15));
    p.setBrush(QColor(60, 90, 160));
    p.drawRect(QRectF(27, 9, 4, 8));
    p.setBrush(Qt::NoBrush);
}

void PaintLogo(QPainter& p) {
    p.setPen(InkPen(QColor(20, 50, 110), 2));
    p.setBrush(QColor(30, 90, 180));
    p.drawRoundedRect(QRectF(2, 12, 44, 24), 8, 8);
    QFont font("Sans", 1);
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(2, 12, 44, 24), Qt::AlignCenter, "VELT");
}

void PaintReadAll(QPainter& p) {
    DrawChip(p, QRectF(16, 26, 22, 14));
    DrawArrow(p, QPointF(6, 8), QPointF(22, 20), kGreen);
}

void PaintSaveAll(QPainter& p) {
    DrawChip(p, QRectF(10, 26, 22, 14));
    DrawArrow(p, QPointF(26, 20), QPointF(40, 8), kOrange);
}

void PaintRepeat(QPainter& p) {
    const QRectF ring(9, 9, 30, 30);
    p.setPen(InkPen(kAccent, 4));
    p.drawArc(ring, 20 * 16, 140 * 16);
    p.drawArc(ring, 200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    QPainterPath heads;
    heads.moveTo(4, 22);
    heads.lineTo(16, 22);
    heads.lineTo(10, 30);
    heads.closeSubpath();
    heads.moveTo(44, 26);
    heads.lineTo(32, 26);
    heads.lineTo(38, 18);
    heads.closeSubpath();
    p.drawPath(heads);
}

void PaintPlaceholder(QPainter& p) {
    p.setPen(InkPen(QColor(120, 120, 120), 2));
    p.setBrush(QColor(225, 225, 225));
    p.drawRect(QRectF(8, 8, 32, 32));
}

using Painter = void (*)(QPainter&);

struct IconEntry {
    int id;
    Painter paint;
};

constexpr IconEntry kIcons[] = {
    {kIconComSetting, PaintComSetting},
    {kIconMonitoring, PaintMonitoring},
    {kIconParameter, PaintParameter},
    {kIconScope, PaintScope},
    {kIconLoad, PaintLoad},
    {kIconSave, PaintSave},
    {kIconLogo, PaintLogo},
    {kIconReadAll, PaintReadAll},
    {kIconSaveAll, PaintSaveAll},
    {kIconRepeat, PaintRepeat},
};

} // namespace

QIcon VeltIcon(int resourceId) {
    Painter paint = PaintPlaceholder;
    for (const IconEntry& entry : kIcons) {
        if (entry.id == resourceId) paint = entry.paint;
    }
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace velt
