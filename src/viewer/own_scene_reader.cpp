#include "viewer/own_scene_reader.h"

#include <Inventor/SbRotation.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace vexalith::viewer {
namespace {

// A line pattern is a list of tokens separated by single spaces.  A token
// is literal text, or holds one slot: %f (a number), %n (a name) or %b
// (TRUE or FALSE), with literal text before and after it ("[%f", "%f}]}").
// A line matches when its tokens (split at spaces and tabs) match one by
// one; how many spaces stand between two tokens does not matter.
constexpr std::size_t kMaxSlots = 8;

struct Slots {
    std::array<float, kMaxSlots> numbers{};
    std::string_view name;
    bool flag = false;
    std::size_t count = 0;  // numbers filled
};

bool parse_number(std::string_view text, float& value)
{
    if (text.empty())
        return false;
    double parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = static_cast<float>(parsed);
    return std::isfinite(value);
}

bool is_name(std::string_view text)
{
    if (text.empty() || (text[0] >= '0' && text[0] <= '9'))
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

bool match_token(std::string_view pattern, std::string_view token, Slots& slots)
{
    const std::size_t slot = pattern.find('%');
    if (slot == std::string_view::npos || slot + 1 >= pattern.size())
        return pattern == token;
    const std::string_view prefix = pattern.substr(0, slot);
    const std::string_view suffix = pattern.substr(slot + 2);
    if (token.size() < prefix.size() + suffix.size() || !token.starts_with(prefix) || !token.ends_with(suffix))
        return false;
    const std::string_view middle = token.substr(prefix.size(), token.size() - prefix.size() - suffix.size());
    switch (pattern[slot + 1]) {
    case 'f':
        if (slots.count >= kMaxSlots || !parse_number(middle, slots.numbers[slots.count]))
            return false;
        ++slots.count;
        return true;
    case 'n':
        if (!is_name(middle))
            return false;
        slots.name = middle;
        return true;
    case 'b':
        if (middle != "TRUE" && middle != "FALSE")
            return false;
        slots.flag = middle == "TRUE";
        return true;
    default:
        return false;
    }
}

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next line, false at the end of the text.
    bool next()
    {
        if (position_ >= text_.size())
            return false;
        std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos)
            end = text_.size();
        line_ = text_.substr(position_, end - position_);
        if (!line_.empty() && line_.back() == '\r')
            line_.remove_suffix(1);
        position_ = end + 1;
        ++number_;
        tokens_.clear();
        std::size_t at = 0;
        while (at < line_.size()) {
            while (at < line_.size() && (line_[at] == ' ' || line_[at] == '\t'))
                ++at;
            const std::size_t start = at;
            while (at < line_.size() && line_[at] != ' ' && line_[at] != '\t')
                ++at;
            if (at > start)
                tokens_.push_back(line_.substr(start, at - start));
        }
        return true;
    }

    bool match(std::string_view pattern, Slots& slots) const
    {
        slots = Slots{};
        std::size_t index = 0;
        while (!pattern.empty()) {
            const std::size_t space = pattern.find(' ');
            const std::string_view token = pattern.substr(0, space);
            pattern = space == std::string_view::npos ? std::string_view() : pattern.substr(space + 1);
            if (index >= tokens_.size() || !match_token(token, tokens_[index], slots))
                return false;
            ++index;
        }
        return index == tokens_.size();
    }

    bool match(std::string_view pattern) const
    {
        Slots ignored;
        return match(pattern, ignored);
    }

    bool starts_with(std::string_view first, std::string_view second = {}) const
    {
        return !tokens_.empty() && tokens_[0] == first &&
               (second.empty() || (tokens_.size() > 1 && tokens_[1] == second));
    }

    bool blank() const { return tokens_.empty(); }
    int number() const { return number_; }
    std::string_view line() const { return line_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::string_view line_;
    std::vector<std::string_view> tokens_;
    int number_ = 0;
};

class Failure {
public:
    explicit Failure(std::string reason) : reason_(std::move(reason)) {}
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

class SceneBuilder {
public:
    explicit SceneBuilder(std::string_view text) : lines_(text) {}

    OwnScene read()
    {
        if (!lines_.next() || !lines_.match("#VRML V2.0 utf8"))
            fail("no VRML 2.0 first line");
        if (!next())
            fail("nothing after the first line");
        if (lines_.starts_with("NavigationInfo")) {
            read_header();
            header_ = true;
        }
        read_body();
        return std::move(scene_);
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        std::string line(lines_.line().substr(0, 80));
        throw Failure("line " + std::to_string(lines_.number()) + ": " + what + (line.empty() ? "" : ": " + line));
    }

    bool next() { return lines_.next(); }

    void need(std::string_view pattern, Slots& slots, const char* what)
    {
        if (!next())
            fail(std::string("the file ends before ") + what);
        if (!lines_.match(pattern, slots))
            fail(std::string("not ") + what);
    }

    void read_header()
    {
        Slots s;
        if (!lines_.match("NavigationInfo {headlight %b type \"EXAMINE\"}", s))
            fail("not the program's NavigationInfo");
        scene_.headlight = s.flag;
        need("Background {skyColor [%f %f %f]}", s, "the program's Background");
        scene_.sky = SbColor(s.numbers[0], s.numbers[1], s.numbers[2]);
        need("DEF ps ProximitySensor { center 0 0 0 size 9000 9000 9000}", s, "the program's ProximitySensor");
        need("DEF tr2 Transform {children[", s, "the light's Transform");
        need("PointLight {on TRUE intensity %f ambientIntensity %f color %f %f %f", s, "the program's PointLight");
        OwnPointLight light;
        light.intensity = s.numbers[0];
        light.ambient_intensity = s.numbers[1];
        light.colour = SbColor(s.numbers[2], s.numbers[3], s.numbers[4]);
        need("location %f %f %f radius %f}]}", s, "the PointLight's location");
        light.location = SbVec3f(s.numbers[0], s.numbers[1], s.numbers[2]);
        light.radius = s.numbers[3];
        scene_.light = light;
        need("Viewpoint {fieldOfView %f position %f %f %f }", s, "the program's Viewpoint");
        scene_.field_of_view = s.numbers[0];
        scene_.viewpoint = SbVec3f(s.numbers[1], s.numbers[2], s.numbers[3]);
        if (!next())
            fail("the file ends after the header");
    }

    // The current line starts an item; reads it whole.  The lines after
    // the header are comments, appearances, atoms and bonds in any order,
    // then the routes.
    void read_body()
    {
        for (;;) {
            if (lines_.starts_with("#"))
                read_comment();
            else if (lines_.starts_with("Transform", "{children"))
                read_appearance();
            else if (lines_.starts_with("Transform", "{translation"))
                read_shape();
            else if (lines_.starts_with("ROUTE")) {
                read_routes();
                return;
            } else if (lines_.blank()) {
                read_end();
                return;
            } else
                fail("a line of another shape");
            if (!next()) {
                if (header_)
                    fail("the file ends without its routes");
                return;
            }
        }
    }

    void read_comment() const
    {
        static constexpr std::array<std::string_view, 6> kComments{
            "# ball group", "# styles", "# Atoms", "# bond style", "# h-bond style", "# helix-bond style"};
        for (const std::string_view comment : kComments)
            if (lines_.match(comment))
                return;
        fail("an unknown comment");
    }

    void read_appearance()
    {
        Slots s;
        if (!lines_.match("Transform {children [Shape {appearance DEF %n Appearance {", s))
            fail("not the program's appearance");
        const std::string name(s.name);
        OwnMaterial material;
        need("material Material {diffuseColor %f %f %f", s, "the appearance's diffuse colour");
        material.diffuse = SbColor(s.numbers[0], s.numbers[1], s.numbers[2]);
        need("ambientIntensity %f specularColor %f %f %f shininess %f}}}]}", s, "the rest of the program's material");
        material.ambient_intensity = s.numbers[0];
        material.specular = SbColor(s.numbers[1], s.numbers[2], s.numbers[3]);
        material.shininess = s.numbers[4];
        if (scene_.materials.size() >= kMaxOwnMaterials)
            fail("more appearances than the fast route holds");
        const auto index = static_cast<uint32_t>(scene_.materials.size());
        scene_.materials.push_back(material);
        // A name defined again means the later appearance from here on.
        const auto known = std::find_if(names_.begin(), names_.end(), [&](const auto& n) { return n.first == name; });
        if (known != names_.end())
            known->second = index;
        else
            names_.emplace_back(name, index);
    }

    uint32_t material_of(std::string_view name) const
    {
        for (const auto& [known, index] : names_)
            if (known == name)
                return index;
        fail("an appearance used before it is defined");
    }

    void read_shape()
    {
        Slots s;
        if (!lines_.match("Transform {translation %f %f %f", s))
            fail("not the program's Transform");
        const SbVec3f translation(s.numbers[0], s.numbers[1], s.numbers[2]);
        if (!next())
            fail("the file ends inside a Transform");
        if (lines_.match("children [Shape {appearance USE %n geometry Sphere { radius %f }}]}", s))
            add_sphere(translation, material_of(s.name), s.numbers[0]);
        else if (lines_.match("rotation %f %f %f %f", s))
            read_bond(translation, SbVec3f(s.numbers[0], s.numbers[1], s.numbers[2]), s.numbers[3]);
        else
            fail("neither an atom nor a bond");
    }

    void add_sphere(const SbVec3f& centre, uint32_t material, float radius)
    {
        if (radius < 0)
            fail("a negative radius");
        if (radius == 0)
            return;  // Coin draws nothing either
        scene_.spheres.push_back({{centre[0], centre[1], centre[2]}, radius, material});
        scene_.bounds.extendBy(centre - SbVec3f(radius, radius, radius));
        scene_.bounds.extendBy(centre + SbVec3f(radius, radius, radius));
    }

    void read_bond(const SbVec3f& translation, const SbVec3f& axis, float angle)
    {
        Slots s;
        need("scale %f %f %f", s, "the bond's scale");
        const SbVec3f scale(s.numbers[0], s.numbers[1], s.numbers[2]);
        need("children [Shape {appearance USE %n", s, "the bond's appearance");
        const uint32_t material = material_of(s.name);
        need("geometry Cylinder { height %f radius %f }}]}", s, "the bond's cylinder");
        const float height = s.numbers[0];
        const float radius = s.numbers[1];
        if (scale[0] != scale[2] || scale[0] < 0 || scale[1] < 0 || height < 0 || radius < 0)
            fail("a cylinder that is not round, or turned inside out");
        // As Coin turns it (a null axis gives no rotation).
        const SbRotation rotation(axis, angle);
        SbVec3f half;
        rotation.multVec(SbVec3f(0, scale[1] * height * 0.5f, 0), half);
        const float r = radius * scale[0];
        const float length = 2 * half.length();
        if (r == 0 || length == 0)
            return;  // nothing of it to see
        const SbVec3f a = translation - half, b = translation + half;
        scene_.cylinders.push_back({{a[0], a[1], a[2]}, {b[0], b[1], b[2]}, r, material});
        SbVec3f reach;
        for (int i = 0; i < 3; ++i) {
            const float along = 2 * half[i] / length;
            reach[i] = r * std::sqrt(std::max(0.0f, 1 - along * along));
        }
        scene_.bounds.extendBy(a - reach);
        scene_.bounds.extendBy(a + reach);
        scene_.bounds.extendBy(b - reach);
        scene_.bounds.extendBy(b + reach);
    }

    void read_routes()
    {
        if (!header_)
            fail("routes without the header's sensor");
        if (!lines_.match("ROUTE ps.orientation_changed TO tr2.set_rotation"))
            fail("not the program's first route");
        Slots s;
        need("ROUTE ps.position_changed TO tr2.set_translation", s, "the program's second route");
        routes_ = true;
        if (next())
            read_end();
    }

    // Only blank lines may follow.
    void read_end()
    {
        do {
            if (!lines_.blank())
                fail("more after the end of the scene");
        } while (next());
        if (header_ && !routes_)
            fail("the file ends without its routes");
    }

    LineReader lines_;
    OwnScene scene_;
    bool header_ = false;
    bool routes_ = false;
    std::vector<std::pair<std::string, uint32_t>> names_;
};

}  // namespace

OwnSceneRead read_own_scene(std::string_view text)
{
    OwnSceneRead result;
    try {
        result.scene = SceneBuilder(text).read();
    } catch (const Failure& failure) {
        result.reason = failure.reason();
    }
    return result;
}

}  // namespace vexalith::viewer
