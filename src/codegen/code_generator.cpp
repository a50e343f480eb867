#include "codegen/code_generator.h"

#include <array>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace xlt::codegen {
namespace {

// The four templates as UTF-8 with LF line breaks, for reading; each is turned once
// into GBK with CR LF line breaks. A prefix ends with the opening quote of the text
// constant that receives the expression, and its suffix starts with the closing one.
// The download addresses stand directly after the colon that ends their line.

constexpr std::string_view kJingYiBatchPrefix = R"tpl(.版本 2

.子程序 正则_匹配批量, 整数型, , 本子程序采用【青藤码匠】生成。成功返回匹配的数量，失败返回0。
.参数 源文本, 文本型, , 欲被匹配的文本
.局部变量 局_正则, 正则表达式类, , , 此类为精易模块里面的正则类，精易模块下载地址：https://xilitong.example.org/download/jingyi-module
.局部变量 局_匹配数, 整数型
.局部变量 局_计次, 整数型

.如果真 (局_正则.创建 (“)tpl";

constexpr std::string_view kJingYiBatchSuffix = R"tpl(”, 源文本, 假, 假, 真,真) ＝ 假)
    信息框 (“正则创建失败，请检查正则表达式语句是否有误！”, #错误图标, )
    返回 (0)
.如果真结束
局_匹配数 ＝ 局_正则.取匹配数量 ()
.如果真 (局_匹配数 ＝ 0)
    信息框 (“匹配失败，请检检查正则语句是否有误，数量：0”, #错误图标, )
    返回 (0)
.如果真结束
.计次循环首 (局_匹配数, 局_计次)
    输出调试文本 (“匹配文本 ” ＋ 到文本 (局_计次) ＋ “ 中的子匹配文本 1：” ＋ 局_正则.取子匹配文本 (局_计次, 1))
.计次循环尾 ()
返回 (局_匹配数))tpl";

constexpr std::string_view kJingYiSinglePrefix = R"tpl(.版本 2

.子程序 正则_匹配单个, 文本型, , 本子程序采用【青藤码匠】生成。成功返回匹配的文本，失败返回空文本。
.参数 源文本, 文本型, , 欲被匹配的文本
.参数 匹配索引, 整数型, , 表达式的索引，从1开始将代表为子匹配文本的索引。
.参数 子匹配索引, 整数型, 可空, 可空。 子表达式的索引，从1开始将代表为子匹配文本的索引
.局部变量 局_正则, 正则表达式类, , , 此类为精易模块里面的正则类，精易模块下载地址：https://xilitong.example.org/download/jingyi-module

.如果真 (局_正则.创建 (“)tpl";

constexpr std::string_view kJingYiSingleSuffix = R"tpl(”, 源文本, 假, 假, 真,真) ＝ 假)
    信息框 (“正则创建失败，请检查正则表达式语句是否有误！”, #错误图标, )
    返回 (“”)
.如果真结束
.如果真 (局_正则.取匹配数量 () ＝ 0)
    信息框 (“匹配失败，请检检查正则语句是否有误，数量：0”, #错误图标, )
    返回 (“”)
.如果真结束
.如果真 (匹配索引 ＜ 1)
    信息框 (“参数二 - 匹配索引必须大于0。”, #错误图标, )
    返回 (“”)
.如果真结束

.判断开始 (匹配索引 ＞ 0 且 子匹配索引 ＞ 0)  ' 如果 匹配索引 和 子匹配索引 都大于0，则匹配子匹配文本
    返回 (局_正则.取子匹配文本 (匹配索引, 子匹配索引))

.判断 (匹配索引 ＞ 0)  ' 如果只有匹配索引大于0，则返回指定的匹配文本
    返回 (局_正则.取匹配文本 (匹配索引))
.默认

.判断结束
返回 (“”))tpl";

constexpr std::string_view kRegExBatchPrefix = R"tpl(.版本 2
.支持库 RegEx

.子程序 正则_匹配批量, 整数型, , 本子程序采用【青藤码匠】生成。成功返回匹配的数量，失败返回0。
.参数 源文本, 文本型, , 欲被匹配的文本
.局部变量 局_正则, 正则表达式, , , 采用的 正则表达式 支持库，无此支持库的请到此下载：https://xilitong.example.org/download/regex-library
.局部变量 局_搜索结果, 搜索结果, 静态, "0"
.局部变量 局_匹配数, 整数型, , , 匹配数量
.局部变量 局_计次, 整数型

.如果真 (局_正则.创建 (“)tpl";

constexpr std::string_view kRegExBatchSuffix = R"tpl(”, 假) ＝ 假)
    信息框 (“正则创建失败，请检查正则表达式语句是否有误！”, #错误图标, )
    返回 (0)
.如果真结束
局_正则.多行模式 ＝ 假
局_搜索结果 ＝ 局_正则.搜索全部 (源文本)
局_匹配数 ＝ 取数组成员数 (局_搜索结果)
.如果真 (局_匹配数 ＝ 0)
    信息框 (“匹配失败，请检检查正则语句是否有误，数量：0”, #错误图标, )
    返回 (0)
.如果真结束
.计次循环首 (局_匹配数, 局_计次)
    输出调试文本 (“匹配文本 ” ＋ 到文本 (局_计次) ＋ “ 中的子匹配文本 1：” ＋ 局_搜索结果 [局_计次].取子匹配文本 (源文本, 1, ))
.计次循环尾 ()
返回 (局_匹配数))tpl";

constexpr std::string_view kRegExSinglePrefix = R"tpl(.版本 2
.支持库 RegEx

.子程序 正则_匹配单个, 文本型, , 本子程序采用【青藤码匠】生成。成功返回匹配的文本，失败返回空文本。
.参数 源文本, 文本型, , 欲被匹配的文本
.参数 匹配索引, 整数型, , 表达式的索引，从1开始将代表为子匹配文本的索引。
.参数 子匹配索引, 整数型, 可空, 可空。 子表达式的索引，从1开始将代表为子匹配文本的索引
.局部变量 局_正则, 正则表达式, , , 采用的 正则表达式 支持库，无此支持库的请到此下载：https://xilitong.example.org/download/regex-library
.局部变量 局_搜索结果, 搜索结果, 静态, "0"

.如果真 (局_正则.创建 (“)tpl";

constexpr std::string_view kRegExSingleSuffix = R"tpl(”, 假) ＝ 假)
    信息框 (“正则创建失败，请检查正则表达式语句是否有误！”, #错误图标, )
    返回 (“”)
.如果真结束
局_正则.多行模式 ＝ 假
局_搜索结果 ＝ 局_正则.搜索全部 (源文本)
.如果真 (取数组成员数 (局_搜索结果) ＝ 0)
    信息框 (“匹配失败，请检检查正则语句是否有误，数量：0”, #错误图标, )
    返回 (“”)
.如果真结束
.如果真 (匹配索引 ＜ 1)
    信息框 (“参数二 - 匹配索引必须大于0。”, #错误图标, )
    返回 (“”)
.如果真结束

.判断开始 (匹配索引 ＞ 0 且 子匹配索引 ＞ 0)  ' 如果 匹配索引 和 子匹配索引 都大于0，则匹配子匹配文本
    .如果真 (匹配索引>取数组成员数 (局_搜索结果))
        返回 (“”)
    .如果真结束
    返回 (局_搜索结果 [匹配索引].取子匹配文本 (源文本, 子匹配索引, ))

.判断 (匹配索引 ＞ 0)  ' 如果只有匹配索引大于0，则返回指定的匹配文本
    .如果真 (匹配索引>取数组成员数 (局_搜索结果))
        返回 (“”)
    .如果真结束
    返回 (局_搜索结果 [匹配索引].取匹配文本 (源文本, ))
.默认

.判断结束
返回 (“”))tpl";

Text to_gbk(std::string_view utf8) {
    return codepage::utf8_to_gbk(utf8);
}

// GBK with CR LF line breaks, whichever line breaks the source file was checked out with.
Text to_gbk_crlf(std::string_view utf8) {
    return replace_all(replace_all(to_gbk(utf8), "\r\n", "\n"), "\n", "\r\n");
}

const std::array<CodeTemplate, 4>& templates() {
    static const std::array<CodeTemplate, 4> all = {{
        {Library::JingYi, MatchMode::Batch, to_gbk_crlf(kJingYiBatchPrefix),
         to_gbk_crlf(kJingYiBatchSuffix)},
        {Library::JingYi, MatchMode::Single, to_gbk_crlf(kJingYiSinglePrefix),
         to_gbk_crlf(kJingYiSingleSuffix)},
        {Library::RegExSupport, MatchMode::Batch, to_gbk_crlf(kRegExBatchPrefix),
         to_gbk_crlf(kRegExBatchSuffix)},
        {Library::RegExSupport, MatchMode::Single, to_gbk_crlf(kRegExSinglePrefix),
         to_gbk_crlf(kRegExSingleSuffix)},
    }};
    return all;
}

}  // namespace

const CodeTemplate& choose_template(int library_index, int mode_index) {
    return templates()[(library_index == 0 ? 0 : 2) + (mode_index == 0 ? 0 : 1)];
}

Text generate_code(int library_index, int mode_index, const Text& expression) {
    const CodeTemplate& t = choose_template(library_index, mode_index);
    return t.prefix + expression + t.suffix;
}

namespace {

// Every half-width quote " and full-width quote “ or ” of `expression` written as
// `replacement`, in one pass, so that quotes inside the replacement stay as they are.
Text replace_quotes(const Text& expression, const Text& replacement) {
    static const Text open_quote = to_gbk("“");
    static const Text close_quote = to_gbk("”");
    Text out;
    out.reserve(expression.size());
    for (std::size_t pos = 0; pos < expression.size();) {
        const std::size_t length = char_length(expression, pos);
        const std::string_view c(expression.data() + pos, length);
        if (c == "\"" || c == open_quote || c == close_quote) {
            out += replacement;
        } else {
            out += c;
        }
        pos += length;
    }
    return out;
}

}  // namespace

Text substitute_quotes(const Text& expression) {
    static const Text quote_token = to_gbk("#引号");
    return replace_quotes(expression, quote_token);
}

Text generate_code_with_quote_handling(int library_index, int mode_index, const Text& expression) {
    const CodeTemplate& chosen = choose_template(library_index, mode_index);
    if (chosen.library == Library::JingYi) {
        return chosen.prefix + substitute_quotes(expression) + chosen.suffix;
    }
    // The support library's 创建 takes its text as it is and would keep "#引号" as
    // those characters: there each quote closes the text constant and is joined back as
    // the constant #引号, which is a double quote.
    static const Text joined_quote = to_gbk("” ＋ #引号 ＋ “");
    return chosen.prefix + replace_quotes(expression, joined_quote) + chosen.suffix;
}

const Text& quote_question_title() {
    static const Text t = to_gbk("友情提醒");
    return t;
}

const Text& quote_question_text() {
    static const Text t = to_gbk(
        "“是否智能处理引号(只支持精易模块3.15版本以上的)，说明如下：\r\n\r\n"
        "有时正则表达式带有引号，如：【formhash“value=”5e1f0d39】\r\n"
        "这里面有的引号处理起来很麻烦，点是将会把“换成#引号，如：【\r\n"
        "formhash#引号 value=#引号5e1f0d39");
    return t;
}

const Text& copy_succeeded_text() {
    static const Text t = to_gbk("复制成功");
    return t;
}

const Text& copy_failed_text() {
    static const Text t = to_gbk("复制失败");
    return t;
}

}  // namespace xlt::codegen
