#include "DialogFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRawFont>

#include <cmath>

namespace velt {

namespace {

const QString kDialogFace = QStringLiteral("Tahoma");

// Where Debian's fonts-wine puts its Tahoma (outside the fontconfig folders,
// so no other program picks it up). Windows has Tahoma of its own.
const QStringList kDialogFaceFiles = {
    QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
    QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf"),
};

// usWinAscent and usWinDescent of the OS/2 table: big-endian 16-bit values
// at these offsets (the same in every version of the table).
constexpr int kWinAscentOffset = 74;
constexpr int kWinDescentOffset = 76;

int BigEndian16(const QByteArray& table, int offset) {
    return (static_cast<unsigned char>(table[offset]) << 8) | static_cast<unsigned char>(table[offset + 1]);
}

} // namespace

QStringList DialogFontFamilies() {
    return {kDialogFace, QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
            QStringLiteral("Noto Sans CJK KR")};
}

bool EnsureDialogFace(const QStringList& files) {
    if (QFontDatabase::hasFamily(kDialogFace)) return true;
    for (const QString& file : files)
        if (QFile::exists(file)) QFontDatabase::addApplicationFont(file);
    return QFontDatabase::hasFamily(kDialogFace);
}

QFont DialogFont() {
    static const bool faceLoaded = EnsureDialogFace(kDialogFaceFiles);
    (void)faceLoaded; // without it the next family of the list stands in
    QFont font;
    font.setFamilies(DialogFontFamilies());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kDialogFontPixels);
    return font;
}

int WindowsLineHeight(const QFont& font) {
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.isValid() ? raw.fontTable("OS/2") : QByteArray();
    const int pixels = QFontInfo(font).pixelSize();
    if (os2.size() < kWinDescentOffset + 2 || raw.unitsPerEm() <= 0 || pixels <= 0)
        return QFontMetrics(font).height();
    const double scale = pixels / raw.unitsPerEm();
    return static_cast<int>(std::lround(BigEndian16(os2, kWinAscentOffset) * scale) +
                            std::lround(BigEndian16(os2, kWinDescentOffset) * scale));
}

DialogUnits DialogUnitsOf(const QFont& font) {
    const QFontMetrics fm(font);
    const int width =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogUnits(AverageCharWidth(width), WindowsLineHeight(font));
}

const DialogUnits& DlgUnits() {
    static const DialogUnits units = DialogUnitsOf(DialogFont());
    return units;
}

QRect DluRect(int x, int y, int w, int h) {
    const DialogUnits& u = DlgUnits();
    const int left = u.X(x);
    const int top = u.Y(y);
    return QRect(left, top, u.X(x + w) - left, u.Y(y + h) - top);
}

QSize DluSize(int w, int h) {
    return QSize(DlgUnits().X(w), DlgUnits().Y(h));
}

} // namespace velt
