// The scene writers on small hand-made structures: every line they write is
// checked as text.
#include <gtest/gtest.h>

#include <string>

#include "common/text_output.h"
#include "model/pair_classification.h"
#include "model/protein_style.h"
#include "support/model_builder.h"
#include "vrml/atom_writer.h"
#include "vrml/bond_styles.h"
#include "vrml/bond_writer.h"
#include "vrml/element_styles.h"
#include "vrml/scene_header.h"

namespace vexalith {
namespace {

using testsupport::make_model;

template <typename Write>
std::string written(Write write)
{
    StringSink sink;
    {
        TextOutput out(sink);
        write(out);
    }
    return sink.text();
}

std::string atoms_text(const Structure& model, const ModelOptions& options)
{
    Reporter reporter;
    return written([&](TextOutput& out) { write_atoms(out, build_model(model, options), reporter); });
}

std::string bonds_text(const Structure& model, const ModelOptions& options)
{
    Reporter reporter;
    return written([&](TextOutput& out) { write_bonds(out, build_model(model, options), reporter); });
}

TEST(AtomWriter, CarbonInBallAndStickIsHalfItsCovalentRadius)
{
    Structure model = make_model({{"C", 5, 0, 0}, {"C", -5, 0, 0}});
    ModelOptions options;
    EXPECT_EQ(atoms_text(model, options),
              "# Atoms\r\n"
              "Transform {translation 50 0 0\r\n"
              "children [Shape {appearance USE C geometry Sphere { radius 3.85000 }}]}\r\n"
              "Transform {translation -50 0 0\r\n"
              "children [Shape {appearance USE C geometry Sphere { radius 3.85000 }}]}\r\n");
}

TEST(AtomWriter, RadiusByModeAndUnit)
{
    Structure model = make_model({{"C", 0, 0, 0}});  // ModelExtent 1
    ModelOptions options;
    options.ModelMode = CovalentRadius;
    EXPECT_NE(atoms_text(model, options).find("radius 38.50000 }"), std::string::npos);
    options.ModelMode = VanDerWaals;
    EXPECT_NE(atoms_text(model, options).find("radius 85.00000 }"), std::string::npos);
    options.ModelMode = CovalentRadius;
    options.VrmlUnit = 1000;
    EXPECT_NE(atoms_text(model, options).find("radius 0.03850 }"), std::string::npos);
}

TEST(AtomWriter, CoordinatesRoundToHundredthsOfAMillimetre)
{
    // Extent 100: one angstrom is half a millimetre.
    Structure model = make_model({{"C", 100, -0.002L, 0.0001L}, {"C", 0.25L, 0.75L, -0.25L}});
    ModelOptions options;
    const std::string text = atoms_text(model, options);
    EXPECT_NE(text.find("Transform {translation 50 0 0\r\n"), std::string::npos) << text;
    // 12.5 -> 12, 37.5 -> 38, -12.5 -> -12 hundredths: ties go to the even hundredth.
    EXPECT_NE(text.find("Transform {translation 0.12 0.38 -0.12\r\n"), std::string::npos) << text;
    options.VrmlUnit = 1000;
    EXPECT_NE(atoms_text(model, options).find("Transform {translation 0.00012 0.00038 -0.00012\r\n"),
              std::string::npos);
}

TEST(AtomWriter, HiddenAtomsWriteNothingButKeepTheirStyle)
{
    Structure model = make_model({{"C", 1, 0, 0}, {"O", 0, 1, 0, 0, "HOH"}, {"H", 0, 0, 1}});
    ModelOptions options;
    const std::string text = atoms_text(model, options);
    EXPECT_EQ(text.find("USE O"), std::string::npos);
    EXPECT_NE(text.find("USE H"), std::string::npos);
    const std::string styles = written([&](TextOutput& out) { write_element_styles(out, model); });
    EXPECT_NE(styles.find("DEF O Appearance"), std::string::npos);
}

TEST(ElementStyles, OneGroupPerElementInOrderOfFirstAtom)
{
    const Structure model = make_model({{"CL", 0, 0, 0}, {"C", 1, 0, 0}, {"CL", 2, 0, 0}});
    EXPECT_EQ(written([&](TextOutput& out) { write_element_styles(out, model); }),
              "# ball group\r\n"
              "# styles\r\n"
              "Transform {children [Shape {appearance DEF CL Appearance {\r\n"
              "material Material {diffuseColor 0.439  0.859  0.576\r\n"
              "ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}\r\n"
              "Transform {children [Shape {appearance DEF C Appearance {\r\n"
              "material Material {diffuseColor 0.45  0.45  0.45\r\n"
              "ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}\r\n");
}

TEST(AtomWriter, ProteinStyleBeadsAndItsModel)
{
    Structure model = make_model({{"C", 10, 0, 0, 0, "GLY"},
                                  {"O", 0, 10, 0, 0, "HOH"},
                                  {"HX", 0, 0, 10, 0, "HEL"},
                                  {"FE", -10, 0, 0, 0, "HEM"}});
    model.ProteinFile = true;
    ModelOptions options;
    options.ModelMode = CovalentRadius;
    options.SuppressWater = false;
    options.Helices = false;
    // Extent 10: 0.15 A -> 0.75 mm; water O covalent 0.73 -> 3.65 mm.
    std::string text = atoms_text(model, options);
    EXPECT_EQ(options.ModelMode, CovalentRadius) << "the writer changes no option";
    apply_protein_style_mode(model, options);
    EXPECT_EQ(options.ModelMode, BallAndStick) << "protein style without helices";
    EXPECT_NE(text.find("USE C geometry Sphere { radius 0.75000 }"), std::string::npos) << text;
    EXPECT_NE(text.find("USE O geometry Sphere { radius 3.65000 }"), std::string::npos) << text;
    EXPECT_NE(text.find("USE FE geometry Sphere { radius 6.25000 }"), std::string::npos) << text;

    options.Helices = true;
    text = atoms_text(model, options);
    apply_protein_style_mode(model, options);
    EXPECT_EQ(options.ModelMode, VanDerWaals);

    // A model that shows no atom keeps the mode it had.
    ModelOptions hidden = options;
    hidden.ModelMode = CovalentRadius;
    hidden.SuppressWater = true;
    hidden.ShownParts = {false};
    Structure parted = model;
    parted.MaxPart = 1;
    apply_protein_style_mode(parted, hidden);
    EXPECT_EQ(hidden.ModelMode, CovalentRadius);
    EXPECT_NE(text.find("USE HX geometry Sphere { radius 5.00000 }"), std::string::npos) << text;
    EXPECT_NE(text.find("USE O geometry Sphere { radius 7.60000 }"), std::string::npos) << text;

    options.ProteinStyle = false;
    options.ModelMode = BallAndStick;
    text = atoms_text(model, options);
    EXPECT_NE(text.find("USE HX geometry Sphere { radius 5.00000 }"), std::string::npos)
        << "a trace point is not halved in ball-and-stick";
    EXPECT_NE(text.find("USE C geometry Sphere { radius 1.92500 }"), std::string::npos) << text;
}

TEST(BondWriter, RotationTexts)
{
    EXPECT_EQ(cylinder_rotation({0, 1.5L, 0}, 1.5L), "0 0 0 0");
    EXPECT_EQ(cylinder_rotation({0, -1.5L, 0}, 1.5L), "0 0 0 3.142");
    EXPECT_EQ(cylinder_rotation({1.5L, 0, 0}, 1.5L), "0 0 -1 1.571");
    EXPECT_EQ(cylinder_rotation({-1.5L, 0, 0}, 1.5L), "0 0 1 1.571");
    EXPECT_EQ(cylinder_rotation({0, 0, 0}, 0), "0 0 0 0") << "two atoms at one place";
}

TEST(BondWriter, BallAndStickCylinder)
{
    const Structure model = make_model({{"C", 0, 0, 0}, {"C", 1.5L, 0, 0}, {"C", 10, 0, 0}});
    ModelOptions options;
    // Extent 10: 1 A -> 5 mm, the bond 7.5 mm long, centred at x = 3.75 mm.
    EXPECT_EQ(bonds_text(model, options),
              "Transform {translation 3.75 0 0 \r\n"
              " rotation 0 0 -1 1.571\r\n"
              " scale  5 7.5 5 \r\n"
              "children [Shape {appearance USE bondstyle\r\n"
              " geometry Cylinder { height 1 radius 0.13 }}]}\r\n");
}

TEST(BondWriter, RadiiFollowModeKindAndBondDiameter)
{
    ModelOptions options;
    options.BondDiameter = 20;
    Structure model = make_model({{"O", 0, 0, 0}, {"NA", 2.4L, 0, 0}, {"C", 10, 0, 0}});
    EXPECT_NE(bonds_text(model, options).find("USE hbondstyle\r\n geometry Cylinder { height 1 radius 0.14 }}]}"),
              std::string::npos);
    options.ModelMode = CovalentRadius;
    EXPECT_NE(bonds_text(model, options).find("radius 0.5 }}]}"), std::string::npos);
    model.AtomSymbol[1] = "C";
    EXPECT_NE(bonds_text(model, options).find("USE bondstyle\r\n geometry Cylinder { height 1 radius 0.54 }}]}"),
              std::string::npos);
}

TEST(BondWriter, TraceSegmentsUseTheHelixStyle)
{
    Structure model = make_model({{"HX", 0, 0, 0, 0, "HEL"}, {"HX", 0, 3.8L, 0, 0, "HEL"}, {"C", 10, 0, 0}});
    model.ProteinFile = true;
    ModelOptions options;
    options.ModelMode = VanDerWaals;
    EXPECT_NE(bonds_text(model, options)
                  .find(" rotation 0 0 0 0\r\n scale  5 19 5 \r\n"
                        "children [Shape {appearance USE helixbondstyle\r\n"
                        " geometry Cylinder { height 1 radius 1 }}]}"),
              std::string::npos);
    const std::string styles = written([&](TextOutput& out) { write_bond_styles(out, model, options); });
    EXPECT_NE(styles.find("# helix-bond style\r\n"
                          "Transform {children [Shape {appearance DEF helixbondstyle Appearance {\r\n"
                          "material Material {diffuseColor 0.2 0.4 0.6 \r\n"
                          "  ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}\r\n"),
              std::string::npos);
    options.Helices = false;
    EXPECT_EQ(written([&](TextOutput& out) { write_bond_styles(out, model, options); }),
              "# bond style\r\n"
              "Transform {children [Shape {appearance DEF bondstyle Appearance {\r\n"
              "material Material {diffuseColor 0.7 0.7 0.7 \r\n"
              " ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}\r\n"
              "# h-bond style\r\n"
              "Transform {children [Shape {appearance DEF hbondstyle Appearance {\r\n"
              "material Material {diffuseColor 0.2 0.2 0.2 \r\n"
              " ambientIntensity 0.2 specularColor 0.1 0.1 0.1 shininess 0.1}}}]}\r\n");
}

TEST(SceneHeader, CameraDistanceAndLight)
{
    const Structure model = make_model({{"C", 3, 0, 0}});
    ModelOptions options;
    options.ModelSize = 75;
    const std::string mm =
        written([&](TextOutput& out) { write_scene_header(out, model, options, kStartupBackground); });
    EXPECT_EQ(mm,
              "NavigationInfo {headlight FALSE type \"EXAMINE\"}\r\n"
              "Background {skyColor [0.25 0.492424242424242 0.5]}\r\n"
              "DEF ps ProximitySensor { center 0 0 0 size 9000 9000 9000}\r\n"
              "DEF tr2 Transform {children[\r\n"
              "PointLight {on TRUE intensity 1 ambientIntensity 0.5 color 1 1 1\r\n"
              "location  50 50 937.5  radius 5000}]}\r\n"
              "Viewpoint   {fieldOfView 0.1 position 0 0 937.5 }\r\n");
    options.ModelSize = 100;
    options.VrmlUnit = 1000;
    const std::string m = written([&](TextOutput& out) { write_scene_header(out, model, options, {255, 0, 1}); });
    EXPECT_NE(m.find("Background {skyColor [0.965909090909091 0 0.00378787878787879]}\r\n"), std::string::npos) << m;
    EXPECT_NE(m.find("location  50 50 100  radius 5000}]}\r\nViewpoint   {fieldOfView 0.1 position 0 0 1.25 }\r\n"),
              std::string::npos)
        << m;
    EXPECT_EQ(written([](TextOutput& out) { write_scene_routes(out); }),
              "ROUTE ps.orientation_changed TO tr2.set_rotation\r\n"
              "ROUTE ps.position_changed TO tr2.set_translation \r\n");
}

TEST(SceneHeader, ColourValueSplitsIntoBytes)
{
    EXPECT_EQ(GetColorValues(0x00848242), (BackgroundColour{66, 130, 132}));
    EXPECT_EQ(GetColorValues(0xFF0000FF), (BackgroundColour{255, 0, 0}));
}

}  // namespace
}  // namespace vexalith
