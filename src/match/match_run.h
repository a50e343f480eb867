// The match run: the expression of the window over its source text with the three
// options of the window, quote substitution always on, and what the result list and
// the status bar show of it.
#pragma once

#include <cstdint>
#include <vector>

#include "match/regex_object.h"
#include "platform/text.h"

namespace xlt::match {

struct MatchRunInput {
    Text pattern;
    Text source;
    bool case_sensitive = false;
    bool multiline = false;
    bool global_search = true;
};

struct MatchRunOutcome {
    bool succeeded = false;        // the expression was valid and matched at least once
    std::int32_t match_count = 0;  // 0 unless succeeded
    std::int32_t group_count = 0;  // capturing groups, read from the first match
    Text status;                   // for the status bar
};

// Runs the expression in `regex` (which then holds the matches for reading back).
MatchRunOutcome run_expression(RegexObject& regex, const MatchRunInput& input);

// "匹配成功 - 匹配数量： N   子匹配数量： M"
Text match_succeeded_text(std::int32_t match_count, std::int32_t group_count);
// "匹配失败": an invalid expression, a run stopped at the engine's limits, or no match.
const Text& match_failed_text();

struct ResultColumn {
    Text title;
    int width = 100;
};

// The two columns every run starts with: "序号" (50) and "匹配文本" (100).
const std::vector<ResultColumn>& base_result_columns();
// "子匹配文本1" … "子匹配文本M", 100 wide each.
std::vector<ResultColumn> group_columns(std::int32_t group_count);

}  // namespace xlt::match
