#include "options/option_table.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace vexalith {

const UserOption* find_user_option(std::string_view flag)
{
    if (flag.empty())
        return nullptr;
    for (const UserOption& option : kUserOptions)
        if (flag == option.flag || flag == option.short_flag || flag == option.negation)
            return &option;
    return nullptr;
}

const OptionChoice& option_choice(const UserOption& option, std::string_view value)
{
    for (const OptionChoice& choice : option.choices)
        if (choice.value == value)
            return choice;
    throw std::out_of_range(std::string(option.flag) + " has no choice " + std::string(value));
}

std::string option_number_text(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string range_text(const UserOption& option)
{
    return option_number_text(option.minimum) + " to " + option_number_text(option.maximum);
}

std::string default_text(const UserOption& option)
{
    if (!option.default_text.empty())
        return std::string(option.default_text);
    switch (option.kind) {
    case OptionKind::WholeNumber:
    case OptionKind::Decimal:
        return option_number_text(option.default_value);
    case OptionKind::Switch:
        return option.default_value != 0 ? "on" : "off";
    case OptionKind::Choice:
    case OptionKind::Colour:
    case OptionKind::Text:
        break;
    }
    return "";
}

std::string help_text(const UserOption& option)
{
    std::string text;
    const std::string_view help = option.help;
    std::size_t at = 0;
    while (at < help.size()) {
        const std::size_t open = help.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : help.find('}', open);
        if (close == std::string_view::npos) {
            text += help.substr(at);
            break;
        }
        text += help.substr(at, open - at);
        const std::string_view field = help.substr(open + 1, close - open - 1);
        if (field == "range")
            text += range_text(option);
        else if (field == "step")
            text += option_number_text(option.step);
        else if (field == "default")
            text += default_text(option);
        else
            text += help.substr(open, close - open + 1);
        at = close + 1;
    }
    return text;
}

int positions_per_unit(const UserOption& option) { return static_cast<int>(std::lround(1 / option.step)); }

int slider_position(const UserOption& option, double value)
{
    return static_cast<int>(std::lround(value / option.step));
}

}  // namespace vexalith
