#include "platform/ui/qt_text.h"

#include <algorithm>

#include "platform/gbk_units.h"

namespace xlt::ui {
namespace {

bool is_ascii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

QString to_qstring(std::string_view bytes) {
    if (is_ascii(bytes)) {  // most cells and captions: no converter needed
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    const std::u16string units = gbk::decode(bytes);
    return QString(reinterpret_cast<const QChar*>(units.data()),
                   static_cast<qsizetype>(units.size()));
}

Text to_text(const QString& s) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(s.utf16()),
                                    static_cast<std::size_t>(s.size()));
    const bool ascii = std::all_of(units.begin(), units.end(), [](char16_t u) { return u < 0x80; });
    if (ascii) {
        const QByteArray latin = s.toLatin1();
        return text_before_nul(std::string_view(latin.constData(), latin.size()));
    }
    return text_before_nul(gbk::encode(units));
}

QString to_qstring_lines(std::string_view gbk) {
    QString s = to_qstring(gbk);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

Text to_text_lines(const QString& s) {
    QString crlf = s;
    crlf.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return to_text(crlf);
}

}  // namespace xlt::ui
