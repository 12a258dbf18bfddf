#include "number_column_width.h"

#include <QFontMetrics>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace drovalin {

int DecimalDigits(std::int64_t value) {
    int digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

int NumberColumnWidth(const QTableView& view, int digits) {
    const QFontMetrics metrics(view.font());
    // Digits need not be equally wide in every font: the widest one repeated is the widest number.
    int widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QString(digits, QLatin1Char(digit))));
    // An item view draws its text inside the focus frame's margin plus one pixel on each side.
    const int textMargin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
    const int gridLine = view.showGrid() ? 1 : 0;
    return widest + 2 * textMargin + gridLine;
}

}  // namespace drovalin
