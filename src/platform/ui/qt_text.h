// Conversion between the program's GBK texts and the toolkit's strings (inside the
// toolkit layer only).
#pragma once

#include <QString>
#include <string_view>

#include "platform/text.h"

namespace xlt::ui {

QString to_qstring(std::string_view gbk);
// Ends at the first NUL, as every Text does.
Text to_text(const QString& s);

// For multi-line edit boxes, which hold LF line breaks: CR LF (and a lone LF) become LF
// going in, and every LF becomes CR LF coming out.
QString to_qstring_lines(std::string_view gbk);
Text to_text_lines(const QString& s);

}  // namespace xlt::ui
