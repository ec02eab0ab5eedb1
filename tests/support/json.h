// A small JSON reader for the reference files of the test corpus.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace testsupport {

struct Json;
using JsonArray = std::vector<Json>;
using JsonObject = std::map<std::string, Json>;

struct Json {
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<JsonArray>, std::shared_ptr<JsonObject>>
        value;

    bool is_null() const { return std::holds_alternative<std::nullptr_t>(value); }
    bool is_number() const { return std::holds_alternative<double>(value); }
    bool is_object() const { return std::holds_alternative<std::shared_ptr<JsonObject>>(value); }
    double number() const { return std::get<double>(value); }
    const std::string& string() const { return std::get<std::string>(value); }
    const JsonArray& array() const { return *std::get<std::shared_ptr<JsonArray>>(value); }
    const JsonObject& object() const { return *std::get<std::shared_ptr<JsonObject>>(value); }
    bool has(const std::string& key) const { return is_object() && object().count(key) > 0; }
    const Json& operator[](const std::string& key) const { return object().at(key); }
    const Json& operator[](std::size_t index) const { return array().at(index); }
};

// Throws std::runtime_error on malformed text.
Json parse_json(std::string_view text);

}  // namespace testsupport
