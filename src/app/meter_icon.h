// The tray icon. Most Linux trays draw a small square image and no text, so
// the figures are drawn as a chart: one bar per provider, filled from the
// bottom to the share of its current limit window that is used.
#pragma once

#include <QIcon>
#include <QImage>
#include <optional>

namespace brimlow {

inline constexpr QRgb kCodexBarColor = qRgb(0x34, 0xc7, 0x59);  // green
inline constexpr QRgb kClaudeBarColor = qRgb(0xff, 0x95, 0x00); // orange

// A `size` × `size` image: Codex's bar on the left, Claude's on the right.
// A percent is clamped to 0–100; an absent one (no current window) leaves
// its bar an empty outline. Every edge lies on a whole pixel.
QImage drawMeterIcon(std::optional<double> codexPercent, std::optional<double> claudePercent,
                     int size);

// The same chart drawn separately at each size trays ask for, so none of
// them is a blurred scaling of another.
QIcon meterIcon(std::optional<double> codexPercent, std::optional<double> claudePercent);

} // namespace brimlow
