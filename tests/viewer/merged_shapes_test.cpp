// Spheres and cylinders merged into meshes: which are merged, and that the
// meshes have the shapes' places, sizes, outward faces and materials.
#include "viewer/merged_shapes.h"

#include <gtest/gtest.h>

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoIndexedFaceSet.h>
#include <Inventor/nodes/SoIndexedLineSet.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoShape.h>

#include <cmath>
#include <string>
#include <vector>

#include "viewer/scene_loader.h"

#include "viewer_support.h"

using namespace vexalith::viewer;
using viewertest::count_of;

namespace {

CoinRef<SoSeparator> scene(const std::string& body)
{
    ParsedScene parsed = parse_scene("#VRML V2.0 utf8\n" + body);
    EXPECT_TRUE(parsed.root) << parsed.error;
    return parsed.root;
}

const char* const kRed = "appearance Appearance { material Material { diffuseColor 1 0 0 } }";

std::string sphere_at(const std::string& where, float radius = 1.0f)
{
    return "Transform { translation " + where + " children Shape { " + kRed + " geometry Sphere { radius " +
           std::to_string(radius) + " } } }\n";
}

struct Triangle {
    SbVec3f p[3];
    SbVec3f n[3];
};

std::vector<Triangle> triangles_of(SoNode* node)
{
    std::vector<Triangle> out;
    SoCallbackAction action;
    action.addTriangleCallback(
        SoShape::getClassTypeId(),
        [](void* data, SoCallbackAction* a, const SoPrimitiveVertex* v1, const SoPrimitiveVertex* v2,
           const SoPrimitiveVertex* v3) {
            Triangle t;
            const SbMatrix& m = a->getModelMatrix();
            const SoPrimitiveVertex* v[3] = {v1, v2, v3};
            for (int i = 0; i < 3; ++i) {
                m.multVecMatrix(v[i]->getPoint(), t.p[i]);
                t.n[i] = v[i]->getNormal();
            }
            static_cast<std::vector<Triangle>*>(data)->push_back(t);
        },
        &out);
    action.apply(node);
    return out;
}

SbBox3f box_of(SoNode* node)
{
    SoGetBoundingBoxAction action{SbViewportRegion(100, 100)};
    action.apply(node);
    return action.getBoundingBox();
}

SbVec3f face_normal(const Triangle& t) { return (t.p[1] - t.p[0]).cross(t.p[2] - t.p[0]); }

SbVec3f centroid(const Triangle& t) { return (t.p[0] + t.p[1] + t.p[2]) / 3.0f; }

}  // namespace

TEST(MergeRules, PlainSpheresAndCylindersAreMergedAndRemoved)
{
    CoinRef<SoSeparator> root =
        scene(sphere_at("0 0 0") + sphere_at("5 0 0") + "Transform { children DEF ball Shape { " + kRed +
              " geometry Sphere {} } }\n"
              "Transform { translation 0 9 0 children USE ball }\n"
              "Group { children Transform { rotation 0 0 1 1 scale 1 3 1 children Shape { " +
              kRed + " geometry Cylinder { radius 0.2 } } } }\n");
    const MergedShapes merged = merge_simple_shapes(root.get());
    EXPECT_EQ(merged.shapes, 5u);  // the used shape counts twice
    ASSERT_TRUE(merged.meshes);
    EXPECT_EQ(count_of(root.get(), SoVRMLShape::getClassTypeId()), 0);
    EXPECT_EQ(root->getNumChildren(), 0) << "emptied groups go too";
}

TEST(MergeRules, ShapesThatCannotMoveOutStay)
{
    CoinRef<SoSeparator> root = scene(
        // chosen by a Switch
        std::string("Switch { whichChoice 0 choice [ ") + sphere_at("0 0 0") + " ] }\n" +
        // see-through
        "Shape { appearance Appearance { material Material { transparency 0.5 } } geometry Sphere {} }\n"
        // not a sphere or cylinder
        "Shape { " +
        kRed +
        " geometry Box {} }\n"
        // textured
        "Shape { appearance Appearance { material Material {} texture PixelTexture {} } geometry Sphere {} }\n"
        // no appearance: unlit white
        "Shape { geometry Sphere {} }\n"
        // lit by a light scoped to its group
        "Group { children [ DirectionalLight { direction 0 -1 0 } " +
        sphere_at("1 1 1") +
        " ] }\n"
        // animated
        "DEF mover Transform { children Shape { " +
        kRed +
        " geometry Sphere {} } }\n"
        "DEF driver Transform {}\n"
        "ROUTE driver.translation_changed TO mover.set_translation\n"
        // used in a plain group and under a Switch: one node, kept whole
        "Transform { children DEF twice Shape { " +
        kRed +
        " geometry Sphere {} } }\n"
        "Switch { whichChoice 0 choice USE twice }\n" +
        // the only one that can go
        sphere_at("7 7 7"));
    const MergedShapes merged = merge_simple_shapes(root.get());
    EXPECT_EQ(merged.shapes, 1u);
    EXPECT_EQ(count_of(root.get(), SoVRMLShape::getClassTypeId()), 9);
}

TEST(MergeRules, NothingToMergeLeavesTheSceneAlone)
{
    CoinRef<SoSeparator> root = scene("Shape { geometry Box {} }\n");
    const MergedShapes merged = merge_simple_shapes(root.get());
    EXPECT_EQ(merged.shapes, 0u);
    EXPECT_FALSE(merged.meshes);
    EXPECT_EQ(root->getNumChildren(), 1);
}

TEST(MergedMeshes, SpheresKeepPlaceSizeAndFaceOutwards)
{
    CoinRef<SoSeparator> root = scene(sphere_at("5 6 7", 2.0f) + sphere_at("-3 0 1", 0.5f));
    const MergedShapes merged = merge_simple_shapes(root.get());
    ASSERT_TRUE(merged.meshes);
    const std::vector<Triangle> triangles = triangles_of(merged.meshes.get());
    ASSERT_FALSE(triangles.empty());
    const SbVec3f centres[2] = {SbVec3f(5, 6, 7), SbVec3f(-3, 0, 1)};
    const float radii[2] = {2.0f, 0.5f};
    for (const Triangle& t : triangles) {
        const int which = (centroid(t) - centres[0]).length() < 2.5f ? 0 : 1;
        for (int i = 0; i < 3; ++i) {
            const SbVec3f out = t.p[i] - centres[which];
            EXPECT_NEAR(out.length(), radii[which], 1e-4f);
            SbVec3f unit = out;
            unit.normalize();
            EXPECT_GT(unit.dot(t.n[i]), 0.999f);
        }
        EXPECT_GT(face_normal(t).dot(centroid(t) - centres[which]), 0.0f) << "wound inwards";
    }
}

TEST(MergedMeshes, CylindersFillTheShapesBoxAtEveryLevel)
{
    // A bond as the converter writes it: unit cylinder, turned, stretched.
    const std::string bond =
        "Transform { translation 9.41 1.2 -4.22 rotation -0.997 0 0.075 1.548 scale 13.43 18.12 13.43\n"
        "  children Shape { " +
        std::string(kRed) + " geometry Cylinder { height 1 radius 0.13 } } }\n";
    const SbBox3f expected = box_of(scene(bond).get());
    for (std::size_t still = first_still_level(); still < detail_levels(); ++still) {
        CoinRef<SoSeparator> root = scene(bond);
        TriangleBudget budget;
        budget.still = cylinder_triangles(still);
        budget.moving = cylinder_triangles(still);
        const MergedShapes merged = merge_simple_shapes(root.get(), budget);
        ASSERT_TRUE(merged.meshes);
        EXPECT_EQ(merged.still_triangles, cylinder_triangles(still));
        const SbBox3f box = box_of(merged.meshes.get());
        float ex, ey, ez, bx, by, bz;
        expected.getSize(ex, ey, ez);
        box.getSize(bx, by, bz);
        // A polygon fits inside the circle; the axis ends are exact.
        EXPECT_LE(bx, ex + 1e-3f);
        EXPECT_LE(by, ey + 1e-3f);
        EXPECT_LE(bz, ez + 1e-3f);
        EXPECT_GT(bx * by * bz, 0.4f * ex * ey * ez) << "level " << still;
        const SbVec3f centre = expected.getCenter();
        for (const Triangle& t : triangles_of(merged.meshes.get()))
            EXPECT_GT(face_normal(t).dot(centroid(t) - centre), 0.0f) << "wound inwards, level " << still;
    }
}

TEST(MergedMeshes, MirroredShapesStillFaceOutwards)
{
    CoinRef<SoSeparator> root = scene("Transform { translation 1 2 3 scale -1 1 1 children Shape { " +
                                      std::string(kRed) + " geometry Sphere {} } }\n");
    const MergedShapes merged = merge_simple_shapes(root.get());
    ASSERT_TRUE(merged.meshes);
    for (const Triangle& t : triangles_of(merged.meshes.get()))
        EXPECT_GT(face_normal(t).dot(centroid(t) - SbVec3f(1, 2, 3)), 0.0f);
}

TEST(MergedMeshes, DetailLevelsFollowTheBudgets)
{
    std::string body;
    for (int i = 0; i < 200; ++i)
        body += "Transform { translation " + std::to_string(i) + " 0 0 children Shape { " + kRed +
                " geometry Cylinder { radius 0.1 } } }\n";

    // Plenty of room: one level for both.
    CoinRef<SoSeparator> roomy = scene(body);
    const MergedShapes all_fine = merge_simple_shapes(roomy.get());
    EXPECT_EQ(all_fine.detail, nullptr);
    EXPECT_EQ(all_fine.still_triangles, 200 * cylinder_triangles(detail_levels() - 1));
    EXPECT_EQ(all_fine.moving_triangles, all_fine.still_triangles);

    // Tight: the still view gets the coarsest solids (over the budget),
    // the moving view lines.
    CoinRef<SoSeparator> tight = scene(body);
    const MergedShapes lean = merge_simple_shapes(tight.get(), TriangleBudget{1000, 250});
    ASSERT_NE(lean.detail, nullptr);
    ASSERT_EQ(lean.detail->getNumChildren(), 2);
    EXPECT_EQ(lean.still_triangles, 200 * cylinder_triangles(first_still_level()));
    EXPECT_EQ(lean.moving_triangles, 200u);
    EXPECT_EQ(count_of(lean.detail->getChild(0), SoIndexedLineSet::getClassTypeId()), 0);
    EXPECT_GT(count_of(lean.detail->getChild(1), SoIndexedLineSet::getClassTypeId()), 0);
    EXPECT_EQ(count_of(lean.detail->getChild(1), SoIndexedFaceSet::getClassTypeId()), 0);

    // Tighter still: while moving, the cylinders are left out.
    CoinRef<SoSeparator> tighter = scene(body + sphere_at("0 5 0"));
    const MergedShapes bare = merge_simple_shapes(tighter.get(), TriangleBudget{1000, 100});
    ASSERT_NE(bare.detail, nullptr);
    EXPECT_EQ(bare.moving_triangles, sphere_triangles(0));
    EXPECT_EQ(count_of(bare.detail->getChild(1), SoIndexedLineSet::getClassTypeId()), 0);
    EXPECT_EQ(triangles_of(bare.detail->getChild(1)).size(), sphere_triangles(0));
}

TEST(MergedMeshes, LargeScenesAreCutIntoBufferSizedPieces)
{
    std::string body;
    for (int i = 0; i < 400; ++i)
        body += sphere_at(std::to_string(i * 3) + " 0 0");
    CoinRef<SoSeparator> root = scene(body);
    const MergedShapes merged = merge_simple_shapes(root.get(), TriangleBudget{100'000'000, 100'000'000});
    ASSERT_TRUE(merged.meshes);
    SoSearchAction search;
    search.setType(SoCoordinate3::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.apply(merged.meshes.get());
    const SoPathList& pieces = search.getPaths();
    int points = 0;
    for (int i = 0; i < pieces.getLength(); ++i) {
        const int n = static_cast<SoCoordinate3*>(pieces[i]->getTail())->point.getNum();
        EXPECT_LE(n, 60000);
        points += n;
    }
    EXPECT_GE(pieces.getLength(), 2);
    EXPECT_GT(points, 60000);
    EXPECT_EQ(triangles_of(merged.meshes.get()).size(), merged.still_triangles);
}

TEST(MergedMeshes, MaterialsDrawAsTheVrmlOnes)
{
    CoinRef<SoSeparator> root = scene(
        "Shape { appearance Appearance { material Material { diffuseColor 0.2 0.4 0.6 ambientIntensity 0.5 "
        "specularColor 0.1 0.2 0.3 emissiveColor 0.05 0 0 shininess 0.25 } } geometry Sphere {} }\n"
        "Transform { translation 3 0 0 children Shape { appearance Appearance { material Material { "
        "diffuseColor 0.2 0.4 0.6 ambientIntensity 0.5 specularColor 0.1 0.2 0.3 emissiveColor 0.05 0 0 "
        "shininess 0.25 } } geometry Cylinder {} } }\n");
    const MergedShapes merged = merge_simple_shapes(root.get());
    ASSERT_TRUE(merged.meshes);
    // Equal values share one material, whatever node they came from.
    ASSERT_EQ(count_of(merged.meshes.get(), SoMaterial::getClassTypeId()), 1);
    SoSearchAction search;
    search.setType(SoMaterial::getClassTypeId());
    search.apply(merged.meshes.get());
    const auto* material = static_cast<SoMaterial*>(search.getPath()->getTail());
    EXPECT_EQ(material->diffuseColor[0], SbColor(0.2f, 0.4f, 0.6f));
    EXPECT_EQ(material->ambientColor[0], SbColor(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(material->specularColor[0], SbColor(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(material->emissiveColor[0], SbColor(0.05f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(material->shininess[0], 0.25f);
}
