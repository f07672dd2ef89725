#include "app/meter_icon.h"

#include <QColor>
#include <gtest/gtest.h>
#include <tuple>

namespace brimlow {
namespace {

// One bar read down its middle column: the pixels in the provider's colour and
// of the translucent track, and whether a dark outline and a light halo show.
struct BarColumn {
    int filled = 0;
    int empty = 0;
    bool filledFromBottom = true;
    bool dark = false;
    bool light = false;
};

BarColumn readBar(const QImage& image, int x, QRgb color) {
    BarColumn bar;
    bool seenFill = false;
    for (int y = 0; y < image.height(); ++y) {
        QRgb pixel = image.pixel(x, y);
        int lightness = QColor::fromRgba(pixel).lightness();
        if (pixel == color) {
            ++bar.filled;
            seenFill = true;
        } else if (qAlpha(pixel) < 0x80) { // the translucent track
            ++bar.empty;
            bar.filledFromBottom = bar.filledFromBottom && !seenFill;
        } else {
            bar.dark = bar.dark || lightness < 60;
            bar.light = bar.light || lightness > 200;
        }
    }
    return bar;
}

class MeterIconAt : public ::testing::TestWithParam<std::tuple<int, std::optional<double>>> {};

TEST_P(MeterIconAt, EachBarIsFilledInProportionToItsPercentAMissingOneOutlined) {
    auto [size, percent] = GetParam();
    // Claude shows the complement, so the two bars are read independently.
    double claude = 100 - percent.value_or(50);
    QImage image = drawMeterIcon(percent, claude, size);
    ASSERT_EQ(image.size(), QSize(size, size));

    for (auto [x, color, expected] : {std::tuple{size / 4, kCodexBarColor, percent.value_or(0)},
                                      std::tuple{3 * size / 4, kClaudeBarColor, claude}}) {
        BarColumn bar = readBar(image, x, color);
        int rows = bar.filled + bar.empty;
        ASSERT_GE(rows, size / 2) << "the bar's inside spans most of the height";
        EXPECT_NEAR(bar.filled, expected / 100.0 * rows, 1.0) << "size " << size;
        EXPECT_TRUE(bar.filledFromBottom);
        EXPECT_TRUE(bar.dark && bar.light) << "outlined for light panels, haloed for dark ones";
    }
}

INSTANTIATE_TEST_SUITE_P(SizesAndPercents, MeterIconAt,
                         ::testing::Combine(::testing::Values(16, 22, 32, 48),
                                            ::testing::Values(std::nullopt, 0.0, 50.0, 100.0)));

TEST(MeterIcon, OutOfRangePercentsAreClampedAndAnyUseShows) {
    QImage image = drawMeterIcon(150, 0.5, 16);
    EXPECT_EQ(readBar(image, 4, kCodexBarColor).empty, 0);
    EXPECT_EQ(readBar(image, 12, kClaudeBarColor).filled, 1)
        << "half a percent is not drawn as untouched";
    EXPECT_EQ(readBar(drawMeterIcon(-5, std::nullopt, 16), 4, kCodexBarColor).filled, 0);
}

} // namespace
} // namespace brimlow
