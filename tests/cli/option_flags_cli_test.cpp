// The converter's flags against the option table, run as a user runs the
// converter: --help shows each flag with the table's value name and help
// text, and a value just outside a flag's range is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch_command.h"
#include "cli/converter_run.h"
#include "options/option_table.h"
#include "support/command_run.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

namespace fs = std::filesystem;
using testsupport::CommandRun;
using testsupport::run_converter;

// One option as --help shows it:
//   "  --size MM:INT in [25 - 250] Model size: ..." or, when the names are
// too long for the first column, with the description on the next line.
struct HelpEntry {
    std::vector<std::string> names;  // "--show-hydrogen", "--hide-hydrogen"
    std::string value;               // "MM", empty for a flag without a value
    std::string check;               // what follows the value: "INT in [25 - 250]"
    std::string description;
};

// The entries under "Options:" (CLI11's layout: the description starts in
// column 30, on the next line when the names and value reach that column).
std::map<std::string, HelpEntry> help_entries(const std::string& help)
{
    constexpr std::size_t kColumn = 30;
    std::vector<std::string> lines;
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::size_t n = 0;
    while (n < lines.size() && lines[n] != "Options:")
        ++n;
    const std::string indent(kColumn, ' ');
    std::map<std::string, HelpEntry> entries;
    for (++n; n < lines.size() && !lines[n].empty(); ++n) {
        const std::string& line = lines[n];
        if (line.rfind("  -", 0) != 0)
            continue;
        HelpEntry entry;
        std::string head;
        if (n + 1 < lines.size() && lines[n + 1].rfind(indent, 0) == 0) {
            head = line.substr(2);
            entry.description = lines[++n].substr(kColumn);
        } else {
            head = line.substr(2, kColumn - 2);
            entry.description = line.size() > kColumn ? line.substr(kColumn) : "";
        }
        while (!head.empty() && head.back() == ' ')
            head.pop_back();
        const std::size_t space = head.find(' ');
        if (space != std::string::npos) {
            const std::string value = head.substr(space + 1);
            const std::size_t colon = value.find(':');
            entry.value = value.substr(0, colon);
            entry.check = colon == std::string::npos ? "" : value.substr(colon + 1);
        }
        // "--show-hydrogen,--hide-hydrogen{false}", "--expand{1}".
        std::istringstream list(head.substr(0, space));
        for (std::string name; std::getline(list, name, ',');)
            entry.names.push_back(name.substr(0, name.find('{')));
        for (const std::string& name : entry.names)
            entries[name] = entry;
    }
    return entries;
}

// The help text the converter shows for an option: the table's, with the
// number of processors of this machine where the default is that number.
std::string shown_help(const UserOption& option)
{
    std::string help = help_text(option);
    if (option.id == OptionId::Jobs)
        help.insert(help.rfind(')'), ", here " + std::to_string(default_jobs()));
    return help;
}

TEST(OptionFlags, HelpShowsEveryFlagOfTheTableWithItsValueNameAndHelp)
{
    const CommandRun r = run_converter("--help");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::map<std::string, HelpEntry> entries = help_entries(r.out);
    ASSERT_GE(entries.size(), 20u) << r.out;
    for (const UserOption& option : kUserOptions) {
        if (option.flag.empty())
            continue;
        SCOPED_TRACE(std::string(option.flag));
        const auto found = entries.find(std::string(option.flag));
        ASSERT_NE(found, entries.end()) << r.out;
        const HelpEntry& entry = found->second;
        std::vector<std::string> names;
        for (const std::string_view name : {option.short_flag, option.flag, option.negation})
            if (!name.empty())
                names.emplace_back(name);
        EXPECT_EQ(entry.names, names);
        EXPECT_EQ(entry.value, option.value_name);
        EXPECT_EQ(entry.description, shown_help(option));
        if (option.kind == OptionKind::WholeNumber || option.kind == OptionKind::Decimal) {
            EXPECT_NE(entry.check.find("[" + option_number_text(option.minimum) + " - " +
                                       option_number_text(option.maximum) + "]"),
                      std::string::npos)
                << entry.check;
        }
        if (option.kind == OptionKind::Choice) {
            std::string set;
            for (const OptionChoice& choice : option.choices)
                set += (set.empty() ? "" : ",") + std::string(choice.value);
            EXPECT_EQ(entry.check, "{" + set + "}");
        }
    }
    // And the converter has no flag the table lacks.
    for (const auto& [name, entry] : entries)
        if (name != "-h" && name != "--help") {
            EXPECT_NE(find_user_option(name), nullptr) << name << " is not in the option table";
        }
}

// A value of the option: `value` as a number, or as a colour of three
// equal components.
std::string value_text(const UserOption& option, double value)
{
    const std::string number = option_number_text(value);
    return option.kind == OptionKind::Colour ? number + "," + number + "," + number : number;
}

std::string caffeine() { return testsupport::shell_quote(testsupport::corpus_plain_path("pyobjcryst_caffeine.cif")); }

TEST(OptionFlags, AValueAStepOutsideTheRangeIsRefused)
{
    const std::string out = testsupport::temp_dir() + "/out.wrl";
    for (const UserOption& option : kUserOptions) {
        if (!has_range(option) || option.flag.empty())
            continue;
        for (const double value : {option.minimum - option.step, option.maximum + option.step}) {
            const std::string argument = std::string(option.flag) + "=" + value_text(option, value);
            const CommandRun r = run_converter(caffeine() + " -o " + out + " " + argument);
            EXPECT_EQ(r.status, 1) << argument << "\n" << r.err;
            EXPECT_EQ(r.err.rfind(std::string(option.flag) + ":", 0), 0u) << argument << ": " << r.err;
            EXPECT_FALSE(fs::exists(out)) << argument;
        }
    }
}

TEST(OptionFlags, TheEndsOfEachRangeAreTaken)
{
    const std::string dir = testsupport::temp_dir();
    for (const UserOption& option : kUserOptions) {
        if (!has_range(option) || option.flag.empty())
            continue;
        for (const double value : {option.minimum, option.maximum}) {
            const std::string argument = std::string(option.flag) + "=" + value_text(option, value);
            const std::string out =
                dir + "/" + std::string(option.flag.substr(2)) + "-" + option_number_text(value) + ".wrl";
            const CommandRun r = run_converter(caffeine() + " -o " + out + " " + argument);
            EXPECT_EQ(r.status, 0) << argument << "\n" << r.err;
            EXPECT_TRUE(fs::exists(out)) << argument;
        }
    }
}

}  // namespace
}  // namespace vexalith
