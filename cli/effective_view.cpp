#include "effective_view.h"

#include "openssh/openssh_evaluator.h"

namespace moorkeep::cli::views {
namespace {

std::string shownValue(const EffectiveValue& value, const std::string& name) {
    return value.keyword == "hostname" ? config::expandedHostName(value.value, name) : value.value;
}

std::string placeText(const ConfigPlace& place) {
    return place.file + ":" + std::to_string(place.line);
}

} // namespace

nlohmann::json effectiveJson(const HostEvaluation& evaluation) {
    nlohmann::json effective = nlohmann::json::array();
    for (const auto& value : evaluation.effective)
        effective.push_back({{"keyword", value.keyword},
                             {"value", shownValue(value, evaluation.name)},
                             {"file", value.place.file},
                             {"line", value.place.line}});
    nlohmann::json shadowed = nlohmann::json::array();
    for (const auto& line : evaluation.shadowed)
        shadowed.push_back({{"keyword", line.keyword},
                            {"value", line.value},
                            {"file", line.place.file},
                            {"line", line.place.line},
                            {"by", {{"file", line.by.file}, {"line", line.by.line}}}});
    nlohmann::json unresolved = nlohmann::json::array();
    for (const auto& condition : evaluation.unresolved)
        unresolved.push_back({{"file", condition.place.file},
                              {"line", condition.place.line},
                              {"text", condition.text}});
    return {{"alias", evaluation.name},
            {"effective", std::move(effective)},
            {"shadowed", std::move(shadowed)},
            {"unresolved", std::move(unresolved)}};
}

void printEffective(Output& output, const HostEvaluation& evaluation) {
    std::vector<Row> rows;
    for (const auto& value : evaluation.effective)
        rows.push_back({value.keyword, shownValue(value, evaluation.name), placeText(value.place)});
    output.table({"KEYWORD", "VALUE", "FROM"}, rows);
    if (!evaluation.shadowed.empty()) {
        output.line("");
        rows.clear();
        for (const auto& line : evaluation.shadowed)
            rows.push_back({line.keyword, line.value, placeText(line.place),
                            line.byValue + " (" + placeText(line.by) + ")"});
        output.table({"SHADOWED", "VALUE", "AT", "OPENSSH USES"}, rows);
    }
    if (!evaluation.unresolved.empty()) {
        output.line("");
        rows.clear();
        for (const auto& condition : evaluation.unresolved)
            rows.push_back({condition.text, placeText(condition.place)});
        output.table({"NOT JUDGED (COUNTS AS NOT MATCHING)", "AT"}, rows);
    }
}

} // namespace moorkeep::cli::views
