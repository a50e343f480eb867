// Easy Language source code around an expression: a subroutine that applies it through
// the regular-expression class of the `精易模块` module or through the RegEx support
// library, returning the number of matches or one match. Four constant templates, one
// per library and match mode; the expression goes between a template's prefix and
// suffix as it is. All texts are GBK with CR LF line breaks.
#pragma once

#include "platform/text.h"

namespace xlt::codegen {

enum class Library { JingYi, RegExSupport };  // "精易模块", "核心支持库"
enum class MatchMode { Batch, Single };       // "批量匹配", "单个匹配"

struct CodeTemplate {
    Library library;
    MatchMode match_mode;
    Text prefix;  // ends with the opening quote “ of the expression's text constant
    Text suffix;  // starts with the closing quote ”; no line break after its last line
};

// The template for the selection indexes of the library and match-mode combo boxes:
// 0 picks the first item, any other value (-1 for no selection included) the second.
const CodeTemplate& choose_template(int library_index, int mode_index);

// prefix + expression + suffix of the chosen template; the expression is not altered.
Text generate_code(int library_index, int mode_index, const Text& expression);

// The expression with every half-width quote " and full-width quote “ or ” written as
// the token "#引号", which the `精易模块` regex class and the match run turn back into a
// double quote.
Text substitute_quotes(const Text& expression);

// The code for answering 是 to the quote question: with the `精易模块` templates the
// expression's quotes become "#引号" (substitute_quotes), which that class turns back
// into double quotes; with the support library each quote is written as the constant
// #引号 joined into the text (“a” ＋ #引号 ＋ “b”), since that library takes the text as
// it is. Either way the subroutine runs the expression with double quotes in it.
Text generate_code_with_quote_handling(int library_index, int mode_index, const Text& expression);

// Texts of the code commands: the title and text of the question asked before quote
// handling (是 applies substitute_quotes), and the status after copying.
const Text& quote_question_title();  // "友情提醒"
const Text& quote_question_text();
const Text& copy_succeeded_text();  // "复制成功"
const Text& copy_failed_text();     // "复制失败"

}  // namespace xlt::codegen
