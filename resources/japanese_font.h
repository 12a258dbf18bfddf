#pragma once

#include <QFont>

// The window's Japanese gothic font: "ＭＳ Ｐゴシック" where installed, otherwise an installed Japanese
// gothic (IPA, Noto CJK), so no glyph shows as a box.
QFont JapaneseGothicFont(qreal pointSize, bool bold = false);
