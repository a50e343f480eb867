#include "match/match_run.h"

#include <string>

#include "platform/codepage.h"

namespace xlt::match {

MatchRunOutcome run_expression(RegexObject& regex, const MatchRunInput& input) {
    MatchRunOutcome outcome;
    const bool valid = regex.create(input.pattern, input.source, input.case_sensitive,
                                    input.multiline, input.global_search,
                                    /*quote_substitution=*/true);
    const std::int32_t count = valid ? regex.match_count() : 0;
    if (count == 0) {
        outcome.status = match_failed_text();
        return outcome;
    }
    outcome.succeeded = true;
    outcome.match_count = count;
    outcome.group_count = regex.sub_match_count();
    outcome.status = match_succeeded_text(count, outcome.group_count);
    return outcome;
}

Text match_succeeded_text(std::int32_t match_count, std::int32_t group_count) {
    static const Text count_label = codepage::utf8_to_gbk("匹配成功 - 匹配数量： ");
    static const Text group_label = codepage::utf8_to_gbk("   子匹配数量： ");
    return count_label + std::to_string(match_count) + group_label + std::to_string(group_count);
}

const Text& match_failed_text() {
    static const Text text = codepage::utf8_to_gbk("匹配失败");
    return text;
}

const std::vector<ResultColumn>& base_result_columns() {
    static const std::vector<ResultColumn> columns = {
        {codepage::utf8_to_gbk("序号"), 50},
        {codepage::utf8_to_gbk("匹配文本"), 100},
    };
    return columns;
}

std::vector<ResultColumn> group_columns(std::int32_t group_count) {
    static const Text title = codepage::utf8_to_gbk("子匹配文本");
    std::vector<ResultColumn> columns;
    for (std::int32_t k = 1; k <= group_count; ++k) {
        columns.push_back({title + std::to_string(k), 100});
    }
    return columns;
}

}  // namespace xlt::match
