#include "support/json.h"

#include <charconv>
#include <stdexcept>

namespace testsupport {
namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    Json parse_document()
    {
        Json value = parse_value();
        skip_space();
        if (pos_ != text_.size())
            fail("trailing text");
        return value;
    }

private:
    [[noreturn]] void fail(const char* what) const
    {
        throw std::runtime_error(std::string("json: ") + what + " at " + std::to_string(pos_));
    }

    void skip_space()
    {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }

    bool take(std::string_view word)
    {
        if (text_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }

    Json parse_value()
    {
        skip_space();
        if (pos_ >= text_.size())
            fail("unexpected end");
        const char c = text_[pos_];
        if (c == '{')
            return parse_object();
        if (c == '[')
            return parse_array();
        if (c == '"')
            return Json{parse_string()};
        if (take("null"))
            return Json{nullptr};
        if (take("true"))
            return Json{true};
        if (take("false"))
            return Json{false};
        if (take("NaN"))
            return Json{nullptr};
        return Json{parse_number()};
    }

    double parse_number()
    {
        double value = 0;
        const auto [end, ec] = std::from_chars(text_.data() + pos_, text_.data() + text_.size(), value);
        if (ec != std::errc())
            fail("bad number");
        pos_ = static_cast<std::size_t>(end - text_.data());
        return value;
    }

    std::string parse_string()
    {
        ++pos_;  // opening quote
        std::string out;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c == '\\') {
                if (pos_ >= text_.size())
                    fail("bad escape");
                const char e = text_[pos_++];
                switch (e) {
                case 'n':
                    c = '\n';
                    break;
                case 't':
                    c = '\t';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 'b':
                    c = '\b';
                    break;
                case 'f':
                    c = '\f';
                    break;
                case 'u': {
                    unsigned code = 0;
                    std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, code, 16);
                    pos_ += 4;
                    if (code < 0x80) {
                        c = static_cast<char>(code);
                    } else if (code < 0x800) {
                        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
                        c = static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
                        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
                        c = static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default:
                    c = e;
                    break;
                }
            }
            out.push_back(c);
        }
        if (pos_ >= text_.size())
            fail("unterminated string");
        ++pos_;
        return out;
    }

    Json parse_array()
    {
        ++pos_;
        auto array = std::make_shared<JsonArray>();
        skip_space();
        if (take("]"))
            return Json{array};
        for (;;) {
            array->push_back(parse_value());
            skip_space();
            if (take("]"))
                return Json{array};
            if (!take(","))
                fail("expected , or ]");
        }
    }

    Json parse_object()
    {
        ++pos_;
        auto object = std::make_shared<JsonObject>();
        skip_space();
        if (take("}"))
            return Json{object};
        for (;;) {
            skip_space();
            if (pos_ >= text_.size() || text_[pos_] != '"')
                fail("expected key");
            std::string key = parse_string();
            skip_space();
            if (!take(":"))
                fail("expected :");
            (*object)[key] = parse_value();
            skip_space();
            if (take("}"))
                return Json{object};
            if (!take(","))
                fail("expected , or }");
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

Json parse_json(std::string_view text) { return Parser(text).parse_document(); }

}  // namespace testsupport
