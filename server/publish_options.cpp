#include "server/publish_options.h"

#include <algorithm>

#include "core/platform/convert.h"
#include "server/debian_catalogue.h"
#include "server/mirror_publish.h"

namespace veltod {
namespace {

using V = OptionValue;

void CheckValue(const OptionRule& rule, const std::string& value) {
    int32_t number = 0;
    if (rule.value == V::kDay && !IsDate(value))
        throw UsageError("'" + value + "' given to " + rule.name + " is not a day YYYYMMDD");
    if (rule.value == V::kCount && (value.find_first_not_of("0123456789") != std::string::npos || value.empty() ||
                                    !TryStrToInt(value, number)))
        throw UsageError("'" + value + "' given to " + rule.name + " is not a number");
}

}  // namespace

const std::vector<CommandRules>& PublishCommands() {
    static const std::vector<CommandRules> commands = {
        {"folder",
         {{"--source", V::kText, true},
          {"--out", V::kText, true},
          {"--key", V::kText, true},
          {"--mirror", V::kText, false, true},
          {"--valid-until", V::kDay}}},
        {"debian",
         {{"--packages", V::kText, true},
          {"--out", V::kText, true},
          {"--key", V::kText, true},
          {"--last-day", V::kDay, true},
          {"--days", V::kCount},
          {"--limit", V::kCount},
          {"--first-id", V::kCount},
          {"--archive", V::kText},
          {"--mirror", V::kText, false, true},
          {"--valid-until", V::kDay}}},
        {"changes",
         {{"--state", V::kText, true},
          {"--out", V::kText, true},
          {"--key", V::kText, true},
          {"--day", V::kDay},
          {"--keep-days", V::kCount},
          {"--mirror", V::kText, false, true},
          {"--valid-until", V::kDay}},
         "INDEX"},
        {"install",
         {{"--mirror", V::kText, true},
          {"--installation", V::kText, true},
          {"--through", V::kDay, true},
          {"--start-after", V::kDay}}},
    };
    return commands;
}

const CommandRules& RulesOf(const std::string& command) {
    std::string names;
    for (const auto& rules : PublishCommands()) {
        if (command == rules.command) return rules;
        names += std::string(", ") + rules.command;
    }
    throw UsageError("unknown command '" + command + "' (keygen" + names + ")");
}

std::string PublishOptions::One(const std::string& name, const std::string& fallback) const {
    const auto found = values_.find(name);
    return found == values_.end() ? fallback : found->second.front();
}

std::vector<std::string> PublishOptions::All(const std::string& name) const {
    const auto found = values_.find(name);
    return found == values_.end() ? std::vector<std::string>{} : found->second;
}

PublishOptions ParseOptions(const CommandRules& rules, const std::vector<std::string>& arguments) {
    PublishOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const auto rule = std::find_if(rules.options.begin(), rules.options.end(),
                                       [&](const OptionRule& known) { return name == known.name; });
        if (rule == rules.options.end() && rules.operands && name.rfind("--", 0) != 0) {
            options.operands_.push_back(name);
            continue;
        }
        if (rule == rules.options.end())
            throw UsageError(name.rfind("--", 0) == 0 ? "unknown option " + name + " for " + rules.command
                                                      : "unexpected argument '" + name + "'");
        // A value cannot begin like an option: "--out --key k" lacks the out folder.
        if (i + 1 >= arguments.size() || arguments[i + 1].rfind("--", 0) == 0)
            throw UsageError("option " + name + " needs a value");
        const std::string& value = arguments[++i];
        CheckValue(*rule, value);
        auto& values = options.values_[name];
        if (!values.empty() && !rule->repeatable) throw UsageError("option " + name + " is given twice");
        values.push_back(value);
    }
    for (const auto& rule : rules.options)
        if (rule.required && !options.values_.count(rule.name))
            throw UsageError(std::string("missing option ") + rule.name + " for " + rules.command);
    if (rules.operands && options.operands_.empty())
        throw UsageError(std::string("name at least one ") + rules.operands + " for " + rules.command);
    return options;
}

std::string ValidUntilOf(const PublishOptions& options, const std::string& newest_day) {
    const std::string given = options.One("--valid-until");
    if (given.empty()) return DefaultValidUntil(newest_day);
    if (given < newest_day)
        throw UsageError("--valid-until " + given + " lies before the newest day published, " + newest_day);
    return given;
}

}  // namespace veltod
