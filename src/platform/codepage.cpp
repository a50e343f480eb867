#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <memory>

namespace xlt::codepage {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Code page 936 as the system defines it: GBK plus the euro sign at 0x80.
constexpr const char* kGbkName = "windows-936-2000";

// One GBK converter per thread, opened on first use; opening one costs more than
// converting a short text.
UConverter* gbk_converter() {
    thread_local ConverterPtr converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr c(ucnv_open(kGbkName, &status));
        if (U_SUCCESS(status)) {
            ucnv_setSubstChars(c.get(), "?", 1, &status);
        }
        return c;
    }();
    ucnv_reset(converter.get());
    return converter.get();
}

bool is_utf8(int codepage) { return codepage == kUtf8; }

}  // namespace

std::u16string to_utf16(std::string_view bytes, int codepage) {
    std::u16string out;
    if (bytes.empty()) {
        return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    if (is_utf8(codepage)) {
        out.resize(bytes.size());  // UTF-8 never takes fewer bytes than UTF-16 units
        int32_t length = 0;
        u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                             bytes.data(), static_cast<int32_t>(bytes.size()), 0xFFFD, nullptr,
                             &status);
        out.resize(U_SUCCESS(status) ? length : 0);
        return out;
    }
    UConverter* converter = gbk_converter();
    out.resize(bytes.size() + 1);  // a GBK character never takes more units than bytes
    const int32_t length =
        ucnv_toUChars(converter, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                      static_cast<int32_t>(bytes.size()), &status);
    out.resize(U_SUCCESS(status) ? length : 0);
    return out;
}

std::string from_utf16(std::u16string_view units, int codepage) {
    std::string out;
    if (units.empty()) {
        return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    if (is_utf8(codepage)) {
        out.resize(units.size() * 3);
        int32_t length = 0;
        u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, units.data(),
                           static_cast<int32_t>(units.size()), '?', nullptr, &status);
        out.resize(U_SUCCESS(status) ? length : 0);
        return out;
    }
    UConverter* converter = gbk_converter();
    out.resize(units.size() * 2 + 2);  // at most two bytes per unit in GBK
    const int32_t length =
        ucnv_fromUChars(converter, out.data(), static_cast<int32_t>(out.size()), units.data(),
                        static_cast<int32_t>(units.size()), &status);
    out.resize(U_SUCCESS(status) ? length : 0);
    return out;
}

bool is_well_formed(std::string_view bytes, int codepage) {
    UErrorCode status = U_ZERO_ERROR;
    if (is_utf8(codepage)) {
        int32_t length = 0;
        u_strFromUTF8(nullptr, 0, &length, bytes.data(), static_cast<int32_t>(bytes.size()),
                      &status);
        return status != U_INVALID_CHAR_FOUND && status != U_ILLEGAL_CHAR_FOUND;
    }
    UConverter* converter = gbk_converter();
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::u16string scratch(bytes.size() + 1, u'\0');
    ucnv_toUChars(converter, scratch.data(), static_cast<int32_t>(scratch.size()), bytes.data(),
                  static_cast<int32_t>(bytes.size()), &status);
    const bool ok = U_SUCCESS(status);
    UErrorCode reset = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                        &reset);
    return ok;
}

}  // namespace xlt::codepage
