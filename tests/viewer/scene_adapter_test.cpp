// What the viewer makes of a scene's header: headlight, sky colour, the
// first viewpoint in world coordinates, lights that follow the viewer.
#include "viewer/scene_adapter.h"

#include <gtest/gtest.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/VRMLnodes/SoVRMLBackground.h>
#include <Inventor/VRMLnodes/SoVRMLPointLight.h>
#include <Inventor/VRMLnodes/SoVRMLProximitySensor.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>

#include <string>

#include "support/corpus.h"
#include "viewer/scene_loader.h"
#include "viewer_support.h"

using namespace vexalith::viewer;
using viewertest::count_of;

namespace {

PreparedScene prepared(const std::string& text)
{
    ParsedScene parsed = parse_scene(text);
    EXPECT_TRUE(parsed.root) << parsed.error;
    if (!parsed.root)
        return {};
    return prepare_scene(parsed.root);
}

template <class T>
T* first_of(SoNode* root)
{
    SoSearchAction search;
    search.setType(T::getClassTypeId());
    search.setSearchingAll(TRUE);
    search.apply(root);
    return search.getPath() ? static_cast<T*>(search.getPath()->getTail()) : nullptr;
}

std::size_t occurrences(const std::string& text, const std::string& word)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

void expect_near(const SbVec3f& actual, const SbVec3f& expected, float tolerance)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "component " << i;
}

}  // namespace

TEST(ConverterHeader, GetsItsVrmlMeaning)
{
    const std::string text =
        testsupport::read_file(viewertest::golden_scene("caffeine-ball-and-stick.wrl").toStdString());
    PreparedScene scene = prepared(text);
    ASSERT_TRUE(scene.content);

    EXPECT_FALSE(scene.headlight);
    ASSERT_TRUE(scene.sky);
    EXPECT_FLOAT_EQ((*scene.sky)[0], 0.25f);
    EXPECT_FLOAT_EQ((*scene.sky)[1], 0.492424242424242f);
    EXPECT_FLOAT_EQ((*scene.sky)[2], 0.5f);
    EXPECT_FALSE(scene.background_drawn);
    EXPECT_EQ(count_of(scene.content.get(), SoVRMLBackground::getClassTypeId()), 0);

    ASSERT_TRUE(scene.viewpoint);
    expect_near(scene.viewpoint->position, SbVec3f(0, 0, 1250), 1e-4f);
    EXPECT_FLOAT_EQ(scene.viewpoint->field_of_view, 0.1f);

    // The point light now lives before the camera, at its eye-space place.
    ASSERT_EQ(scene.eye_lights->getNumChildren(), 1);
    ASSERT_TRUE(scene.eye_lights->getChild(0)->isOfType(SoVRMLPointLight::getClassTypeId()));
    const auto* light = static_cast<SoVRMLPointLight*>(scene.eye_lights->getChild(0));
    expect_near(light->location.getValue(), SbVec3f(50, 50, 1250), 1e-4f);
    EXPECT_EQ(count_of(scene.content.get(), SoVRMLPointLight::getClassTypeId()), 0);
    const auto* sensor = first_of<SoVRMLProximitySensor>(scene.content.get());
    ASSERT_NE(sensor, nullptr);
    EXPECT_FALSE(sensor->enabled.getValue());

    // Every atom and bond went into the meshes; the box holds the atoms.
    EXPECT_EQ(scene.merged_shapes, occurrences(text, "geometry Sphere") + occurrences(text, "geometry Cylinder"));
    EXPECT_EQ(count_of(scene.content.get(), SoVRMLShape::getClassTypeId()), 0);
    ASSERT_FALSE(scene.bounds.isEmpty());
    EXPECT_TRUE(scene.bounds.intersect(SbVec3f(10.09f, 0.99f, 4.81f)));
    EXPECT_TRUE(scene.bounds.intersect(SbVec3f(-46.56f, 5.04f, 16.64f)));
}

TEST(ConverterHeader, SceneWithoutHeaderKeepsTheViewersOwnSettings)
{
    PreparedScene scene = prepared("#VRML V2.0 utf8\nShape { geometry Box { size 2 2 2 } }\n");
    EXPECT_TRUE(scene.headlight);
    EXPECT_FALSE(scene.sky);
    EXPECT_FALSE(scene.viewpoint);
    EXPECT_EQ(scene.eye_lights->getNumChildren(), 0);
    float dx, dy, dz;
    scene.bounds.getSize(dx, dy, dz);
    EXPECT_FLOAT_EQ(dx, 2.0f);
}

TEST(ConverterHeader, ViewpointIsPlacedByItsTransforms)
{
    PreparedScene scene = prepared(
        "#VRML V2.0 utf8\n"
        "Transform { translation 1 2 3 rotation 0 1 0 1.5707963 children [\n"
        "  Viewpoint { position 0 0 10 orientation 1 0 0 0.5 fieldOfView 0.3 }\n"
        "  Viewpoint { position 5 5 5 } ] }\n"
        "Viewpoint { position 9 9 9 }\n");
    ASSERT_TRUE(scene.viewpoint);
    expect_near(scene.viewpoint->position, SbVec3f(11, 2, 3), 1e-4f);
    EXPECT_FLOAT_EQ(scene.viewpoint->field_of_view, 0.3f);
    // Looking direction: the viewpoint's own turn, then the transform's.
    SbVec3f along_x, expected, actual;
    SbRotation(SbVec3f(1, 0, 0), 0.5f).multVec(SbVec3f(0, 0, -1), along_x);
    SbRotation(SbVec3f(0, 1, 0), 1.5707963f).multVec(along_x, expected);
    scene.viewpoint->orientation.multVec(SbVec3f(0, 0, -1), actual);
    expect_near(actual, expected, 1e-5f);
}

TEST(ConverterHeader, FirstBackgroundCountsAndOthersAreDropped)
{
    PreparedScene one_colour = prepared(
        "#VRML V2.0 utf8\nBackground { skyColor [1 0 0] }\nBackground { skyColor [0 1 0] }\n"
        "Shape { geometry Box {} }\n");
    ASSERT_TRUE(one_colour.sky);
    EXPECT_EQ(*one_colour.sky, SbColor(1, 0, 0));
    EXPECT_EQ(count_of(one_colour.content.get(), SoVRMLBackground::getClassTypeId()), 0);

    // A gradient is Coin's to draw; its first colour is the clear colour.
    PreparedScene gradient = prepared(
        "#VRML V2.0 utf8\nBackground { skyColor [0 0 1, 1 1 1] skyAngle [1.5] }\n"
        "Background { skyColor [0 1 0] }\nShape { geometry Box {} }\n");
    ASSERT_TRUE(gradient.sky);
    EXPECT_EQ(*gradient.sky, SbColor(0, 0, 1));
    EXPECT_TRUE(gradient.background_drawn);
    EXPECT_EQ(count_of(gradient.content.get(), SoVRMLBackground::getClassTypeId()), 1);
}

TEST(ConverterHeader, OnlyAFollowingTransformsLightsMove)
{
    // The follower carries a shape too: the lights move, the rest keeps
    // following the viewer.
    PreparedScene with_shape = prepared(
        "#VRML V2.0 utf8\n"
        "DEF ps ProximitySensor { size 100 100 100 }\n"
        "DEF tr Transform { children [ PointLight { location 1 2 3 } Shape { geometry Box {} } ] }\n"
        "ROUTE ps.orientation_changed TO tr.set_rotation\n"
        "ROUTE ps.position_changed TO tr.set_translation\n");
    EXPECT_EQ(with_shape.eye_lights->getNumChildren(), 1);
    const auto* sensor = first_of<SoVRMLProximitySensor>(with_shape.content.get());
    ASSERT_NE(sensor, nullptr);
    EXPECT_TRUE(sensor->enabled.getValue());
    const auto* follower = first_of<SoVRMLTransform>(with_shape.content.get());
    ASSERT_NE(follower, nullptr);
    EXPECT_TRUE(follower->translation.isConnected());
    EXPECT_EQ(follower->getNumChildren(), 1);

    // Fed with the position only, the transform does not turn with the
    // viewer: not an eye-space frame.
    PreparedScene position_only = prepared(
        "#VRML V2.0 utf8\n"
        "DEF ps ProximitySensor { size 100 100 100 }\n"
        "DEF tr Transform { children [ PointLight { location 1 2 3 } ] }\n"
        "ROUTE ps.position_changed TO tr.set_translation\n");
    EXPECT_EQ(position_only.eye_lights->getNumChildren(), 0);
    EXPECT_EQ(count_of(position_only.content.get(), SoVRMLPointLight::getClassTypeId()), 1);
}

TEST(SceneLoad, ReportsFailuresAsText)
{
    const LoadedScene missing = load_scene(testsupport::temp_dir() + "/missing.wrl");
    EXPECT_FALSE(missing.error.empty());
    EXPECT_FALSE(missing.scene.content);

    const QString broken = viewertest::write_temp("broken.wrl", "#VRML V2.0 utf8\nTransform { children [ Shape {\n");
    const LoadedScene bad = load_scene(broken.toStdString());
    EXPECT_FALSE(bad.error.empty());
    EXPECT_FALSE(bad.scene.content);
}
