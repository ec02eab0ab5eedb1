// The option table, and what else states the options held to it: the
// initial option values of the program and the converter, the README's
// option list and the manual's.
#include "options/option_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli/convert_command.h"
#include "common/output_limit.h"
#include "options/model_options.h"
#include "support/corpus.h"

namespace vexalith {
namespace {

bool on_by_default(OptionId id) { return user_option(id).default_value != 0; }

const OptionChoice& default_choice(OptionId id)
{
    const UserOption& option = user_option(id);
    return option_choice(option, option.default_text);
}

// --- The table itself ---------------------------------------------------

TEST(OptionTable, EveryFlagBelongsToOneOptionAndIsFoundByIt)
{
    std::set<std::string_view> flags;
    for (const UserOption& option : kUserOptions) {
        for (const std::string_view flag : {option.flag, option.short_flag, option.negation}) {
            if (flag.empty())
                continue;
            EXPECT_TRUE(flags.insert(flag).second) << flag << " twice";
            EXPECT_EQ(find_user_option(flag), &option) << flag;
        }
        if (option.flag.empty()) {
            EXPECT_TRUE(option.short_flag.empty() && option.negation.empty()) << option.name;
        }
        if (!option.negation.empty()) {
            EXPECT_EQ(option.kind, OptionKind::Switch) << option.name;
        }
    }
    EXPECT_EQ(find_user_option("--no-such-flag"), nullptr);
    EXPECT_EQ(find_user_option(""), nullptr);
}

TEST(OptionTable, RangesStepsAndDefaultsFitTogether)
{
    for (const UserOption& option : kUserOptions) {
        SCOPED_TRACE(std::string(option.name));
        EXPECT_FALSE(option.name.empty());
        EXPECT_FALSE(option.help.empty());
        if (!has_range(option))
            continue;
        EXPECT_LT(option.minimum, option.maximum);
        ASSERT_GT(option.step, 0);
        // The range is whole steps long, and the default one of its steps.
        const double steps = (option.maximum - option.minimum) / option.step;
        EXPECT_NEAR(steps, std::round(steps), 1e-9);
        if (option.default_text.empty() && option.kind != OptionKind::Colour) {
            EXPECT_GE(option.default_value, option.minimum);
            EXPECT_LE(option.default_value, option.maximum);
            const double from_minimum = (option.default_value - option.minimum) / option.step;
            EXPECT_NEAR(from_minimum, std::round(from_minimum), 1e-9);
        }
        if (option.kind == OptionKind::WholeNumber || option.kind == OptionKind::Colour) {
            EXPECT_EQ(option.step, 1);
            EXPECT_EQ(option.minimum, std::round(option.minimum));
            EXPECT_EQ(option.maximum, std::round(option.maximum));
        }
    }
}

TEST(OptionTable, ChoicesHaveDistinctValuesAndTheDefaultIsOne)
{
    for (const UserOption& option : kUserOptions) {
        SCOPED_TRACE(std::string(option.name));
        if (option.kind != OptionKind::Choice) {
            // A text the converter reads itself may still offer the dialog
            // buttons for its plain values.
            if (option.control != DialogControl::RadioButtons) {
                EXPECT_TRUE(option.choices.empty());
            }
            continue;
        }
        ASSERT_GE(option.choices.size(), 2u);
        std::string listed;
        std::set<std::string_view> values;
        for (const OptionChoice& choice : option.choices) {
            EXPECT_TRUE(values.insert(choice.value).second) << choice.value;
            listed += (listed.empty() ? "" : "|") + std::string(choice.value);
        }
        EXPECT_EQ(option.value_name, listed) << "--help names every choice";
        if (!option.default_text.empty()) {
            EXPECT_NO_THROW(option_choice(option, option.default_text));
        }
    }
    EXPECT_THROW(option_choice(user_option(OptionId::VrmlUnit), "km"), std::out_of_range);
}

// A slider needs its caption, a tick that divides its range and a default
// on a tick or step; the boxes need captions for what they show.
TEST(OptionTable, DialogControlsHaveWhatTheyShow)
{
    for (const UserOption& option : kUserOptions) {
        SCOPED_TRACE(std::string(option.name));
        EXPECT_EQ(option.control == DialogControl::None, option.label.empty());
        switch (option.control) {
        case DialogControl::Slider: {
            ASSERT_TRUE(option.kind == OptionKind::WholeNumber || option.kind == OptionKind::Decimal);
            ASSERT_GT(option.tick, 0);
            const double ticks = option.tick / option.step;
            EXPECT_NEAR(ticks, std::round(ticks), 1e-9) << "a tick is whole steps";
            EXPECT_EQ(slider_position(option, option.maximum) - slider_position(option, option.minimum),
                      std::lround((option.maximum - option.minimum) / option.step));
            break;
        }
        case DialogControl::RadioButtons:
            ASSERT_TRUE(option.kind == OptionKind::Choice || option.kind == OptionKind::Text);
            ASSERT_GE(option.choices.size(), 2u);
            for (const OptionChoice& choice : option.choices) {
                EXPECT_FALSE(choice.label.empty()) << choice.value;
            }
            break;
        case DialogControl::CheckBoxPerChoice:
            ASSERT_EQ(option.kind, OptionKind::Choice);
            EXPECT_TRUE(option.choices.front().label.empty()) << "the state with no box checked";
            for (const OptionChoice& choice : option.choices.subspan(1)) {
                EXPECT_FALSE(choice.label.empty()) << choice.value;
            }
            break;
        case DialogControl::CheckBox:
            EXPECT_EQ(option.kind, OptionKind::Switch);
            break;
        case DialogControl::CheckBoxPerPart:
            EXPECT_NE(option.label.find("%1"), std::string_view::npos);
            break;
        case DialogControl::None:
            break;
        }
    }
}

TEST(OptionTable, HelpTextsAreFilledInFromTheTable)
{
    EXPECT_EQ(help_text(user_option(OptionId::ModelSize)),
              "Model size: the largest extent in millimetres, 25 to 250 (default 100)");
    EXPECT_EQ(help_text(user_option(OptionId::HelixBridgeDistance)),
              "Longest bridge from the backbone trace, 4 to 6 angstrom in steps of 0.01 (default 5)");
    for (const UserOption& option : kUserOptions) {
        const std::string help = help_text(option);
        EXPECT_EQ(help.find('{'), std::string::npos) << help;
        EXPECT_EQ(help.find('}'), std::string::npos) << help;
    }
    EXPECT_NE(help_text(user_option(OptionId::MaxOutputSize)).find(kOutputLimitVariable), std::string::npos);
}

TEST(OptionTable, NumbersAsTheDocumentsWriteThem)
{
    EXPECT_EQ(option_number_text(25), "25");
    EXPECT_EQ(option_number_text(0.01), "0.01");
    EXPECT_EQ(option_number_text(4096), "4096");
    EXPECT_EQ(range_text(user_option(OptionId::HelixBridgeDistance)), "4 to 6");
    EXPECT_EQ(default_text(user_option(OptionId::Helices)), "on");
    EXPECT_EQ(default_text(user_option(OptionId::Bridges)), "off");
    EXPECT_EQ(default_text(user_option(OptionId::Mode)), "") << "the file decides";
    EXPECT_EQ(positions_per_unit(user_option(OptionId::HelixBridgeDistance)), 100);
    EXPECT_EQ(slider_position(user_option(OptionId::HelixBridgeDistance), 4.37), 437);
}

// --- Initial values -------------------------------------------------------

TEST(OptionDefaults, ModelOptionsStartWithTheTablesDefaults)
{
    const ModelOptions o;
    EXPECT_EQ(o.ModelSize, user_option(OptionId::ModelSize).default_value);
    EXPECT_EQ(o.BondDiameter, user_option(OptionId::BondDiameter).default_value);
    EXPECT_EQ(o.HelixBridgeDistance,
              static_cast<long double>(user_option(OptionId::HelixBridgeDistance).default_value));
    EXPECT_EQ(o.VrmlUnit, default_choice(OptionId::VrmlUnit).number);
    EXPECT_EQ(o.HydrogenBondsOnly, default_choice(OptionId::HydrogenBonds).value == "only");
    EXPECT_EQ(o.HydrogenBondsAndVanDerWaals, default_choice(OptionId::HydrogenBonds).value == "with-vdw");
    EXPECT_EQ(o.HideHydrogen, !on_by_default(OptionId::ShowHydrogen));
    EXPECT_EQ(o.SuppressWater, !on_by_default(OptionId::ShowWater));
    EXPECT_EQ(o.ProteinStyle, on_by_default(OptionId::ProteinStyle));
    EXPECT_EQ(o.Helices, on_by_default(OptionId::Helices));
    EXPECT_EQ(o.HideBridges, !on_by_default(OptionId::Bridges));
    EXPECT_EQ(o.MaxOutputSize, parse_size(user_option(OptionId::MaxOutputSize).default_text).value_or(0));
}

TEST(OptionDefaults, ConverterRequestStartsWithTheTablesDefaults)
{
    const ConvertRequest r;
    EXPECT_EQ(r.expand, user_option(OptionId::Expand).default_value);
    EXPECT_EQ(std::to_string(r.model), user_option(OptionId::Model).default_text);
    EXPECT_EQ(r.show_water, on_by_default(OptionId::ShowWater));
    EXPECT_EQ(std::to_string(r.background.red) + "," + std::to_string(r.background.green) + "," +
                  std::to_string(r.background.blue),
              user_option(OptionId::Background).default_text);
    EXPECT_EQ(r.max_output_size, parse_size(user_option(OptionId::MaxOutputSize).default_text).value_or(0));
}

TEST(OptionDefaults, ModeChoicesAreTheModelModes)
{
    const UserOption& mode = user_option(OptionId::Mode);
    EXPECT_EQ(option_choice(mode, "ball-stick").number, BallAndStick);
    EXPECT_EQ(option_choice(mode, "covalent").number, CovalentRadius);
    EXPECT_EQ(option_choice(mode, "vdw").number, VanDerWaals);
}

// --- The documents ----------------------------------------------------------

// One row of an option list: the flags with their values as written
// ("--size MM", "--show-hydrogen"), and what the row says of them.
struct ListedRow {
    std::vector<std::string> usages;
    std::string text;
};

// The flag a usage names: "--size" of "--size MM", "--expand" of
// "--expand[=TIMES]".
std::string flag_of(const std::string& usage) { return usage.substr(0, usage.find_first_of(" [=")); }

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// The README's option table: "| `--size MM` | the model's ... |".
std::vector<ListedRow> readme_rows(const std::string& readme)
{
    const auto start = readme.find("| option | what |");
    if (start == std::string::npos)
        return {};
    std::vector<ListedRow> rows;
    std::size_t at = readme.find('\n', start) + 1;
    while (at < readme.size() && readme[at] == '|') {
        const std::size_t end = readme.find('\n', at);
        const std::string line = readme.substr(at, end - at);
        at = end == std::string::npos ? readme.size() : end + 1;
        // Cells split at the bars that are not escaped.
        std::vector<std::string> cells(1);
        for (std::size_t k = 1; k < line.size(); ++k) {
            if (line[k] == '\\' && k + 1 < line.size() && line[k + 1] == '|') {
                cells.back() += '|';
                ++k;
            } else if (line[k] == '|') {
                cells.emplace_back();
            } else {
                cells.back() += line[k];
            }
        }
        if (cells.size() < 2 || trimmed(cells[0]) == "---")
            continue;
        ListedRow row;
        static const std::regex code("`([^`]*)`");
        for (std::sregex_iterator m(cells[0].begin(), cells[0].end(), code), end_m; m != end_m; ++m)
            row.usages.push_back((*m)[1]);
        row.text = trimmed(cells[1]);
        rows.push_back(row);
    }
    return rows;
}

// Text of a piece of the manual: tags dropped, the entities it uses read.
std::string plain_html(std::string html)
{
    html = std::regex_replace(html, std::regex("<[^>]*>"), "");
    html = std::regex_replace(html, std::regex("\\s+"), " ");
    static const std::pair<const char*, const char*> entities[] = {
        {"&nbsp;", " "},   {"&Aring;", "Å"}, {"&ndash;", "–"},  {"&ldquo;", "“"}, {"&rdquo;", "”"},
        {"&hellip;", "…"}, {"&rarr;", "→"},  {"&rsaquo;", "›"}, {"&lt;", "<"},    {"&gt;", ">"}};
    for (const auto& [entity, text] : entities)
        for (auto at = html.find(entity); at != std::string::npos; at = html.find(entity, at))
            html.replace(at, std::string(entity).size(), text);
    for (auto at = html.find("&amp;"); at != std::string::npos; at = html.find("&amp;", at + 1))
        html.replace(at, 5, "&");
    return trimmed(html);
}

// The manual's converter option table (caption "Options").
std::vector<ListedRow> manual_rows(const std::string& manual)
{
    const auto start = manual.find("<caption>Options</caption>");
    if (start == std::string::npos)
        return {};
    const std::string table = manual.substr(start, manual.find("</table>", start) - start);
    std::vector<ListedRow> rows;
    static const std::regex row("<tr><td>([\\s\\S]*?)</td><td>([\\s\\S]*?)</td></tr>");
    static const std::regex code("<code>([\\s\\S]*?)</code>");
    for (std::sregex_iterator r(table.begin(), table.end(), row), end_r; r != end_r; ++r) {
        ListedRow listed;
        const std::string first = (*r)[1];
        for (std::sregex_iterator m(first.begin(), first.end(), code), end_m; m != end_m; ++m)
            listed.usages.push_back(plain_html((*m)[1]));
        listed.text = plain_html((*r)[2]);
        rows.push_back(listed);
    }
    return rows;
}

// Every flag of the table is listed, with every value its --help names
// and, where the converter checks a range, that range (and its unit); a row
// that names a default names the table's.  Every flag listed is one of the
// table's.
void check_option_list(const std::vector<ListedRow>& rows, const std::string& document)
{
    ASSERT_GE(rows.size(), 10u) << document << ": no option list found";
    std::map<std::string, std::vector<const ListedRow*>> by_flag;
    std::map<std::string, std::string> values_by_flag;  // what follows the flag in its usages
    for (const ListedRow& row : rows)
        for (const std::string& usage : row.usages) {
            const std::string flag = flag_of(usage);
            if (flag.rfind('-', 0) != 0)
                continue;  // a value named in the text, such as `HOH`
            EXPECT_NE(find_user_option(flag), nullptr) << document << " lists " << flag << ", which has no option";
            by_flag[flag].push_back(&row);
            values_by_flag[flag] += " " + usage.substr(flag.size());
        }
    for (const UserOption& option : kUserOptions) {
        if (option.flag.empty())
            continue;
        const std::string flag(option.flag);
        SCOPED_TRACE(document + ", " + flag);
        ASSERT_TRUE(by_flag.count(flag)) << "not listed";
        if (!option.negation.empty()) {
            EXPECT_TRUE(by_flag.count(std::string(option.negation))) << option.negation << " not listed";
        }
        std::string value_name(option.value_name);
        for (std::size_t bar = 0; !value_name.empty();) {
            bar = value_name.find('|');
            const std::string value = value_name.substr(0, bar);
            EXPECT_NE(values_by_flag[flag].find(value), std::string::npos) << "value " << value << " not named";
            value_name = bar == std::string::npos ? "" : value_name.substr(bar + 1);
        }
        std::string text;
        for (const ListedRow* row : by_flag[flag])
            text += row->text + "\n";
        if (has_range(option)) {
            // With the unit, where the value has one: "25 to 250 mm".
            std::string range = range_text(option);
            if (!option.unit.empty())
                range += " " + std::string(option.unit);
            EXPECT_NE(text.find(range), std::string::npos) << "range " << range << " in: " << text;
        }
        if (option.kind == OptionKind::Decimal) {
            EXPECT_NE(text.find("in steps of " + option_number_text(option.step)), std::string::npos) << text;
        }
        const std::string shown = default_text(option);
        if (option.kind != OptionKind::Switch && !shown.empty() && text.find("default") != std::string::npos) {
            EXPECT_NE(text.find(shown), std::string::npos) << "default " << shown << " in: " << text;
        }
    }
}

const std::string& readme()
{
    static const std::string text = testsupport::read_file(VEXALITH_README);
    return text;
}

const std::string& manual()
{
    static const std::string text = testsupport::read_file(VEXALITH_MANUAL);
    return text;
}

TEST(OptionDocuments, ReadmeListsEveryFlagWithItsRange) { check_option_list(readme_rows(readme()), "README.md"); }

TEST(OptionDocuments, ManualListsEveryFlagWithItsRange) { check_option_list(manual_rows(manual()), "manual"); }

// The manual's section on the options dialog names each of its controls
// as the dialog does; a slider's entry gives its range, step and default.
TEST(OptionDocuments, ManualDescribesEveryControlOfTheDialog)
{
    const auto start = manual().find("<section id=\"options\">");
    ASSERT_NE(start, std::string::npos);
    const std::string section = manual().substr(start, manual().find("</section>", start) - start);
    std::map<std::string, std::string> entries;  // term, description
    static const std::regex entry("<dt>([\\s\\S]*?)</dt>\\s*<dd>([\\s\\S]*?)</dd>");
    for (std::sregex_iterator e(section.begin(), section.end(), entry), end_e; e != end_e; ++e)
        entries[plain_html((*e)[1])] = plain_html((*e)[2]);

    const auto one_line = [](std::string_view caption) {
        std::string text(caption);
        std::replace(text.begin(), text.end(), '\n', ' ');
        return text;
    };
    for (const UserOption& option : kUserOptions) {
        SCOPED_TRACE(std::string(option.name));
        std::vector<std::string> terms;
        switch (option.control) {
        case DialogControl::None:
            continue;
        case DialogControl::CheckBox:
            terms.push_back(one_line(option.label));
            break;
        case DialogControl::CheckBoxPerChoice:
            for (const OptionChoice& choice : option.choices.subspan(1))
                terms.push_back(one_line(choice.label));
            break;
        case DialogControl::Slider:
        case DialogControl::RadioButtons:
        case DialogControl::CheckBoxPerPart:
            terms.emplace_back(option.name);
            break;
        }
        for (const std::string& term : terms) {
            EXPECT_TRUE(entries.count(term)) << "no entry \"" << term << "\"";
        }
        if (option.control != DialogControl::Slider || !entries.count(terms.front()))
            continue;
        const std::string& text = entries[terms.front()];
        EXPECT_NE(text.find(range_text(option)), std::string::npos) << text;
        EXPECT_NE(text.find("(default " + default_text(option) + ")"), std::string::npos) << text;
        if (option.kind == OptionKind::Decimal) {
            EXPECT_NE(text.find("in steps of " + option_number_text(option.step)), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace vexalith
