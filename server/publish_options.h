#pragma once
// The publisher's command line, checked whole before anything is read or
// written. Each command names its options in one table; an unknown option,
// a missing value, a day that is not a date, a count that is not a number,
// a missing required option or a single option given twice is a UsageError,
// on which the publisher stops with exit status 2.
#include <map>
#include <string>
#include <vector>

#include "core/platform/errors.h"

namespace veltod {

class UsageError : public Error {
public:
    using Error::Error;
};

enum class OptionValue {
    kText,
    kDay,    // YYYYMMDD naming a day of the calendar
    kCount,  // decimal digits within the 32-bit range
};

struct OptionRule {
    const char* name;  // "--out"
    OptionValue value = OptionValue::kText;
    bool required = false;
    bool repeatable = false;
};

struct CommandRules {
    const char* command;
    std::vector<OptionRule> options;
    // What the arguments that are not options name ("INDEX"), at least one
    // of them required; null when the command takes none.
    const char* operands = nullptr;
};

// The options of every command that takes options.
const std::vector<CommandRules>& PublishCommands();

// The rules of command; a UsageError names the commands when it has none.
const CommandRules& RulesOf(const std::string& command);

// The options given to one command, all of them checked against its rules.
class PublishOptions {
public:
    // The value of a single option, or fallback when it was not given.
    std::string One(const std::string& name, const std::string& fallback = "") const;
    std::vector<std::string> All(const std::string& name) const;
    const std::vector<std::string>& Operands() const { return operands_; }

private:
    friend PublishOptions ParseOptions(const CommandRules& rules, const std::vector<std::string>& arguments);
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> operands_;
};

// arguments: what follows the command's name, as "--name value" pairs.
PublishOptions ParseOptions(const CommandRules& rules, const std::vector<std::string>& arguments);

// The day the lists stop being good: --valid-until when given, else
// DefaultValidUntil(newest_day). A day before newest_day is a UsageError:
// such lists would be refused by every client the day they appear.
std::string ValidUntilOf(const PublishOptions& options, const std::string& newest_day);

}  // namespace veltod
