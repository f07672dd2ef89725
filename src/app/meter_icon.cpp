#include "app/meter_icon.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace brimlow {

namespace {

// A dark outline shows on light panels, the light halo around it on dark
// ones; together the bars read on either.
constexpr QRgb kOutline = qRgba(0x1c, 0x1c, 0x1e, 0xf0);
constexpr QRgb kHalo = qRgba(0xff, 0xff, 0xff, 0xd0);
// The unfilled part of a bar: a light veil that reads as a lighter grey on a
// black bar and nearly white on a light one, so an empty bar is still a bar.
constexpr QRgb kTrack = qRgba(0xff, 0xff, 0xff, 0x60);

constexpr int kIconSizes[] = {16, 20, 22, 24, 32, 40, 48, 64};

// Rows of `rows` that `percent` fills. Any use at all shows at least one
// row, so a window barely used is told apart from an untouched one.
int filledRows(double percent, int rows) {
    if (!(percent > 0)) // also NaN
        return 0;
    int filled = int(std::lround(std::min(percent, 100.0) / 100.0 * rows));
    return std::clamp(filled, 1, rows);
}

void drawBar(QPainter& painter, QRect outer, int line, std::optional<double> percent, QRgb color) {
    painter.fillRect(outer.adjusted(-line, -line, line, line), QColor::fromRgba(kHalo));
    painter.fillRect(outer, QColor::fromRgba(kOutline));
    QRect inner = outer.adjusted(line, line, -line, -line);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(inner, QColor::fromRgba(kTrack));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!percent)
        return;
    int rows = filledRows(*percent, inner.height());
    painter.fillRect(QRect(inner.left(), inner.bottom() + 1 - rows, inner.width(), rows),
                     QColor(color));
}

} // namespace

QImage drawMeterIcon(std::optional<double> codexPercent, std::optional<double> claudePercent,
                     int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // The halo and the outline are each `line` thick; bars are separated by
    // their two halos.
    int line = std::max(1, size / 16);
    int barWidth = (size - 4 * line) / 2;
    int left = (size - 2 * barWidth - 2 * line) / 2;
    int height = size - 2 * line;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    drawBar(painter, QRect(left, line, barWidth, height), line, codexPercent, kCodexBarColor);
    drawBar(painter, QRect(left + barWidth + 2 * line, line, barWidth, height), line, claudePercent,
            kClaudeBarColor);
    return image;
}

QIcon meterIcon(std::optional<double> codexPercent, std::optional<double> claudePercent) {
    QIcon icon;
    for (int size : kIconSizes)
        icon.addPixmap(QPixmap::fromImage(drawMeterIcon(codexPercent, claudePercent, size)));
    return icon;
}

} // namespace brimlow
