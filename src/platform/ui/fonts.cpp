#include "platform/ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace xlt::ui {

QString song_family() {
    static const QString family = [] {
        const QStringList preferred = {
            QStringLiteral("SimSun"),
            QStringLiteral("NSimSun"),
            QStringLiteral("AR PL UMing CN"),
            QStringLiteral("AR PL UMing TW"),
            QStringLiteral("AR PL SungtiL GB"),
            QStringLiteral("Noto Serif CJK SC"),
            QStringLiteral("Source Han Serif SC"),
            QStringLiteral("AR PL UMing HK"),
        };
        const QStringList available = QFontDatabase::families();
        for (const QString& name : preferred) {
            if (available.contains(name, Qt::CaseInsensitive)) {
                return name;
            }
        }
        return QString();
    }();
    return family;
}

QFont song_font(int pixel_size) {
    QFont font;
    const QString family = song_family();
    if (!family.isEmpty()) {
        font.setFamilies({family});
    }
    font.setPixelSize(pixel_size);
    return font;
}

}  // namespace xlt::ui
