#include "japanese_font.h"

#include <QStringList>

QFont JapaneseGothicFont(qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
                      QStringLiteral("VL PGothic")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}
