#pragma once

#include <QRectF>
#include <QSizeF>

namespace drovalin {

// The window is laid out in twips, 15 to a logical pixel; Qt's high-DPI scaling applies on top of that.
inline constexpr double kTwipsPerPixel = 15.0;

constexpr double PixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }
constexpr double TwipsToPixels(double twips) { return twips / kTwipsPerPixel; }

// The designed client area and the controls that never move.
inline constexpr QSizeF kDesignedClientTwips{10305, 5220};
inline constexpr QRectF kCapacityBoxTwips{0, 0, 1695, 270};
inline constexpr double kTableTopTwips = 360;
// The table ends this far above the bottom of the client area (less the 360 above it, 40 are left free).
inline constexpr double kTableHeightAllowanceTwips = 400;

// Where the combination table goes for a client area: the full width and the height less 400 twips, computed
// in single precision; a client area too low for that gives a table of height 0 rather than a negative one.
inline QRectF CombinationTableTwips(QSizeF clientTwips) {
    const float width = static_cast<float>(clientTwips.width());
    const float height =
        static_cast<float>(clientTwips.height()) - static_cast<float>(kTableHeightAllowanceTwips);
    return QRectF(0, kTableTopTwips, width < 0 ? 0 : width, height < 0 ? 0 : height);
}

}  // namespace drovalin
