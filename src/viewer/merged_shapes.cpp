#include "viewer/merged_shapes.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/SoType.h>
#include <Inventor/VRMLnodes/SoVRMLAnchor.h>
#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLCollision.h>
#include <Inventor/VRMLnodes/SoVRMLCylinder.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLLight.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLSphere.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoIndexedFaceSet.h>
#include <Inventor/nodes/SoIndexedLineSet.h>
#include <Inventor/nodes/SoLight.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoMaterialBinding.h>
#include <Inventor/nodes/SoNormal.h>
#include <Inventor/nodes/SoNormalBinding.h>
#include <Inventor/nodes/SoShapeHints.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace vexalith::viewer {
namespace {

// Coin draws a shape from vertex buffers only below a vertex count; the
// meshes are cut into pieces of at most this many vertices.
constexpr int kChunkVertices = 60'000;

constexpr int kHidden = -1;  // cylinder_slices: not drawn
constexpr int kLine = 0;     // cylinder_slices: a line along the axis

struct Level {
    int sphere_slices;
    int sphere_stacks;
    int cylinder_slices;
    bool cylinder_caps;
};
// Coin's default complexity gives spheres of 15 x 15 (420 triangles) and
// cylinders of about 19 sides.  The levels below kFirstStillLevel are for
// a moving view only.
constexpr std::array<Level, 8> kLevels{{
    {4, 3, kHidden, false},
    {4, 3, kLine, false},
    {4, 3, 3, false},
    {6, 4, 6, true},
    {8, 6, 8, true},
    {12, 8, 12, true},
    {16, 12, 16, true},
    {24, 16, 24, true},
}};
constexpr std::size_t kFirstStillLevel = 2;

struct Template {
    std::vector<SbVec3f> points;
    std::vector<SbVec3f> normals;
    std::vector<int32_t> triangles;  // three indices a triangle
};

// A unit sphere, poles on the y axis, faces counter-clockwise seen from
// outside.
Template sphere_template(int slices, int stacks)
{
    Template t;
    const double pi = std::numbers::pi;
    t.points.emplace_back(0.0f, 1.0f, 0.0f);
    for (int k = 1; k < stacks; ++k) {
        const double theta = pi * k / stacks;
        for (int j = 0; j < slices; ++j) {
            const double phi = 2 * pi * j / slices;
            t.points.emplace_back(static_cast<float>(std::sin(theta) * std::sin(phi)),
                                  static_cast<float>(std::cos(theta)),
                                  static_cast<float>(std::sin(theta) * std::cos(phi)));
        }
    }
    t.points.emplace_back(0.0f, -1.0f, 0.0f);
    t.normals = t.points;
    const int south = static_cast<int>(t.points.size()) - 1;
    auto ring = [slices](int k, int j) { return 1 + (k - 1) * slices + (j % slices); };
    for (int j = 0; j < slices; ++j)
        t.triangles.insert(t.triangles.end(), {0, ring(1, j), ring(1, j + 1)});
    for (int k = 1; k + 1 < stacks; ++k)
        for (int j = 0; j < slices; ++j) {
            t.triangles.insert(t.triangles.end(), {ring(k, j), ring(k + 1, j), ring(k + 1, j + 1)});
            t.triangles.insert(t.triangles.end(), {ring(k, j), ring(k + 1, j + 1), ring(k, j + 1)});
        }
    for (int j = 0; j < slices; ++j)
        t.triangles.insert(t.triangles.end(), {ring(stacks - 1, j), south, ring(stacks - 1, j + 1)});
    return t;
}

enum class CylinderPart { Side, Top, Bottom };

// A cylinder of radius 1 and height 1 about the y axis, as VRML has it.
Template cylinder_template(int slices, CylinderPart part)
{
    Template t;
    const double pi = std::numbers::pi;
    auto around = [&](int j, float y) {
        const double phi = 2 * pi * j / slices;
        return SbVec3f(static_cast<float>(std::sin(phi)), y, static_cast<float>(std::cos(phi)));
    };
    if (part == CylinderPart::Side) {
        for (int j = 0; j < slices; ++j) {
            t.points.push_back(around(j, 0.5f));
            t.points.push_back(around(j, -0.5f));
            t.normals.push_back(around(j, 0.0f));
            t.normals.push_back(around(j, 0.0f));
        }
        for (int j = 0; j < slices; ++j) {
            const int top = 2 * j, bottom = 2 * j + 1;
            const int next_top = 2 * ((j + 1) % slices), next_bottom = next_top + 1;
            t.triangles.insert(t.triangles.end(), {top, bottom, next_bottom});
            t.triangles.insert(t.triangles.end(), {top, next_bottom, next_top});
        }
        return t;
    }
    const float y = part == CylinderPart::Top ? 0.5f : -0.5f;
    const SbVec3f normal(0.0f, part == CylinderPart::Top ? 1.0f : -1.0f, 0.0f);
    t.points.emplace_back(0.0f, y, 0.0f);
    for (int j = 0; j < slices; ++j)
        t.points.push_back(around(j, y));
    t.normals.assign(t.points.size(), normal);
    for (int j = 0; j < slices; ++j) {
        const int a = 1 + j, b = 1 + (j + 1) % slices;
        if (part == CylinderPart::Top)
            t.triangles.insert(t.triangles.end(), {0, a, b});
        else
            t.triangles.insert(t.triangles.end(), {0, b, a});
    }
    return t;
}

struct LevelTemplates {
    Template sphere;
    Template side;
    Template top;
    Template bottom;
};

LevelTemplates templates_for(const Level& level)
{
    LevelTemplates t;
    t.sphere = sphere_template(level.sphere_slices, level.sphere_stacks);
    if (level.cylinder_slices > kLine) {
        t.side = cylinder_template(level.cylinder_slices, CylinderPart::Side);
        t.top = cylinder_template(level.cylinder_slices, CylinderPart::Top);
        t.bottom = cylinder_template(level.cylinder_slices, CylinderPart::Bottom);
    }
    return t;
}

// The values of a VRML Material: shapes with equal values share a mesh.
using MaterialKey = std::array<float, 14>;

MaterialKey material_key(const SoVRMLMaterial& m)
{
    const SbColor& d = m.diffuseColor.getValue();
    const SbColor& s = m.specularColor.getValue();
    const SbColor& e = m.emissiveColor.getValue();
    return {d[0],
            d[1],
            d[2],
            m.ambientIntensity.getValue(),
            s[0],
            s[1],
            s[2],
            e[0],
            e[1],
            e[2],
            m.shininess.getValue(),
            m.transparency.getValue(),
            0.0f,
            0.0f};
}

bool any_field_connected(const SoFieldContainer* container)
{
    // Through the field data rather than getFields(): no list to allocate
    // for each of hundreds of thousands of nodes.
    const SoFieldData* data = container->getFieldData();
    if (data == nullptr)
        return false;
    const int count = data->getNumFields();
    for (int i = 0; i < count; ++i)
        if (data->getField(container, i)->isConnected())
            return true;
    return false;
}

bool is_plain_group_type(const SoNode* node)
{
    const SoType type = node->getTypeId();
    return type == SoSeparator::getClassTypeId() || type == SoGroup::getClassTypeId() ||
           type == SoVRMLGroup::getClassTypeId() || type == SoVRMLTransform::getClassTypeId() ||
           type == SoVRMLCollision::getClassTypeId() || type == SoVRMLAnchor::getClassTypeId();
}

bool is_light(const SoNode* node)
{
    return node->isOfType(SoVRMLLight::getClassTypeId()) || node->isOfType(SoLight::getClassTypeId());
}

// A group whose children can be drawn elsewhere without a change: nothing
// in it sets state for its siblings (lights, Inventor property nodes) and
// nothing animates it.
bool is_plain_group(SoGroup* group)
{
    if (!is_plain_group_type(group) || any_field_connected(group))
        return false;
    const int count = group->getNumChildren();
    for (int i = 0; i < count; ++i) {
        const SoNode* child = group->getChild(i);
        if (is_light(child))
            return false;
        const bool vrml97 = (child->getNodeType() & SoNode::VRML2) != 0;
        if (!vrml97 && !is_plain_group_type(child) && child->affectsState())
            return false;
    }
    return true;
}

enum class Geometry { None, Sphere, Cylinder, Other };

struct ShapeInfo {
    Geometry geometry = Geometry::Other;
    const SoVRMLMaterial* material = nullptr;
};

ShapeInfo inspect_shape(const SoVRMLShape* shape)
{
    ShapeInfo info;
    if (any_field_connected(shape))
        return info;
    const SoNode* geometry = shape->geometry.getValue();
    if (geometry == nullptr) {
        info.geometry = Geometry::None;
        return info;
    }
    if (any_field_connected(geometry))
        return info;
    const SoNode* appearance_node = shape->appearance.getValue();
    if (appearance_node == nullptr || appearance_node->getTypeId() != SoVRMLAppearance::getClassTypeId() ||
        any_field_connected(appearance_node))
        return info;
    const auto* appearance = static_cast<const SoVRMLAppearance*>(appearance_node);
    if (appearance->texture.getValue() != nullptr)
        return info;
    const SoNode* material_node = appearance->material.getValue();
    if (material_node == nullptr || material_node->getTypeId() != SoVRMLMaterial::getClassTypeId() ||
        any_field_connected(material_node))
        return info;
    const auto* material = static_cast<const SoVRMLMaterial*>(material_node);
    if (material->transparency.getValue() > 0.0f)
        return info;
    if (geometry->getTypeId() == SoVRMLSphere::getClassTypeId())
        info.geometry = Geometry::Sphere;
    else if (geometry->getTypeId() == SoVRMLCylinder::getClassTypeId())
        info.geometry = Geometry::Cylinder;
    else
        return info;
    info.material = material;
    return info;
}

struct ShapeUse {
    bool plain_everywhere = true;
    ShapeInfo info;
    std::vector<SbMatrix> placements;
};

class Collector {
public:
    void walk(SoNode* node, const SbMatrix& matrix, bool plain)
    {
        if (node->getTypeId() == SoVRMLShape::getClassTypeId()) {
            auto [it, fresh] = shapes_.try_emplace(node);
            if (fresh) {
                order_.push_back(node);
                it->second.info = inspect_shape(static_cast<SoVRMLShape*>(node));
            }
            if (!plain)
                it->second.plain_everywhere = false;
            else if (it->second.info.geometry == Geometry::Sphere || it->second.info.geometry == Geometry::Cylinder)
                it->second.placements.push_back(matrix);
            return;
        }
        if (!node->isOfType(SoGroup::getClassTypeId()))
            return;
        auto* group = static_cast<SoGroup*>(node);
        const bool plain_here = plain && is_plain_group(group);
        auto [it, fresh] = groups_.try_emplace(node, plain_here);
        if (!fresh)
            it->second = it->second && plain_here;
        SbMatrix inner = matrix;
        if (node->getTypeId() == SoVRMLTransform::getClassTypeId()) {
            const auto* transform = static_cast<const SoVRMLTransform*>(node);
            SbMatrix local;
            local.setTransform(transform->translation.getValue(), transform->rotation.getValue(),
                               transform->scale.getValue(), transform->scaleOrientation.getValue(),
                               transform->center.getValue());
            inner = local;
            inner.multRight(matrix);
        }
        const int count = group->getNumChildren();
        for (int i = 0; i < count; ++i)
            walk(group->getChild(i), inner, plain_here);
    }

    bool removable(SoNode* shape) const
    {
        const auto it = shapes_.find(shape);
        if (it == shapes_.end() || !it->second.plain_everywhere)
            return false;
        const Geometry g = it->second.info.geometry;
        return g == Geometry::Sphere || g == Geometry::Cylinder || g == Geometry::None;
    }

    bool group_plain(SoNode* group) const
    {
        const auto it = groups_.find(group);
        return it != groups_.end() && it->second;
    }

    const std::vector<SoNode*>& order() const { return order_; }
    const ShapeUse& use(SoNode* shape) const { return shapes_.at(shape); }

private:
    std::unordered_map<SoNode*, ShapeUse> shapes_;
    std::vector<SoNode*> order_;
    std::unordered_map<SoNode*, bool> groups_;
};

// Removes merged shapes and emptied plain groups; true when `group` is
// left without children.
bool prune(SoGroup* group, const Collector& collector, std::unordered_map<SoNode*, bool>& done)
{
    if (const auto it = done.find(group); it != done.end())
        return it->second;
    std::vector<CoinRef<SoNode>> kept;
    bool changed = false;
    const int count = group->getNumChildren();
    for (int i = 0; i < count; ++i) {
        SoNode* child = group->getChild(i);
        bool drop = false;
        if (child->getTypeId() == SoVRMLShape::getClassTypeId())
            drop = collector.removable(child);
        else if (child->isOfType(SoGroup::getClassTypeId()) && collector.group_plain(child))
            drop = prune(static_cast<SoGroup*>(child), collector, done);
        if (drop)
            changed = true;
        else
            kept.emplace_back(child);
    }
    if (changed) {
        group->removeAllChildren();
        for (const auto& child : kept)
            group->addChild(child.get());
    }
    done[group] = kept.empty();
    return kept.empty();
}

struct Instance {
    SbMatrix matrix;  // the template's unit shape to the scene
    Geometry geometry;
    bool side = true, top = true, bottom = true;
};

// Vertices and triangles of one material at one level, cut into chunks.
class MeshBuilder {
public:
    MeshBuilder(SoSeparator* parent) : parent_(parent) {}

    void add(const Template& t, const SbMatrix& matrix, const SbMatrix& normal_matrix, bool flip)
    {
        const int base = static_cast<int>(points_.size());
        if (base + static_cast<int>(t.points.size()) > kChunkVertices) {
            flush();
            add(t, matrix, normal_matrix, flip);
            return;
        }
        for (std::size_t i = 0; i < t.points.size(); ++i) {
            SbVec3f p, n;
            matrix.multVecMatrix(t.points[i], p);
            normal_matrix.multDirMatrix(t.normals[i], n);
            n.normalize();
            points_.push_back(p);
            normals_.push_back(n);
        }
        for (std::size_t i = 0; i + 2 < t.triangles.size(); i += 3) {
            const int a = base + t.triangles[i];
            const int b = base + t.triangles[i + 1];
            const int c = base + t.triangles[i + 2];
            if (flip)
                indices_.insert(indices_.end(), {a, c, b, -1});
            else
                indices_.insert(indices_.end(), {a, b, c, -1});
        }
        triangles_ += t.triangles.size() / 3;
    }

    void flush()
    {
        if (points_.empty())
            return;
        auto* chunk = new SoSeparator;
        auto* coordinates = new SoCoordinate3;
        coordinates->point.setValues(0, static_cast<int>(points_.size()), points_.data());
        auto* normals = new SoNormal;
        normals->vector.setValues(0, static_cast<int>(normals_.size()), normals_.data());
        auto* faces = new SoIndexedFaceSet;
        faces->coordIndex.setValues(0, static_cast<int>(indices_.size()), indices_.data());
        chunk->addChild(coordinates);
        chunk->addChild(normals);
        chunk->addChild(faces);
        parent_->addChild(chunk);
        points_.clear();
        normals_.clear();
        indices_.clear();
    }

    std::size_t triangles() const { return triangles_; }

private:
    SoSeparator* parent_;
    std::vector<SbVec3f> points_;
    std::vector<SbVec3f> normals_;
    std::vector<int32_t> indices_;
    std::size_t triangles_ = 0;
};

// Cylinders as lines along their axes, unlit in the material's colour.
class LineBuilder {
public:
    explicit LineBuilder(SoSeparator* parent) : parent_(parent) {}

    void add(const SbMatrix& matrix)
    {
        if (points_.size() + 2 > static_cast<std::size_t>(kChunkVertices))
            flush();
        SbVec3f a, b;
        matrix.multVecMatrix(SbVec3f(0.0f, -0.5f, 0.0f), a);
        matrix.multVecMatrix(SbVec3f(0.0f, 0.5f, 0.0f), b);
        const int base = static_cast<int>(points_.size());
        points_.push_back(a);
        points_.push_back(b);
        indices_.insert(indices_.end(), {base, base + 1, -1});
        ++lines_;
    }

    void flush()
    {
        if (points_.empty())
            return;
        if (lines_group_ == nullptr) {
            lines_group_ = new SoSeparator;
            auto* unlit = new SoLightModel;
            unlit->model = SoLightModel::BASE_COLOR;
            lines_group_->addChild(unlit);
            parent_->addChild(lines_group_);
        }
        auto* chunk = new SoSeparator;
        auto* coordinates = new SoCoordinate3;
        coordinates->point.setValues(0, static_cast<int>(points_.size()), points_.data());
        auto* lines = new SoIndexedLineSet;
        lines->coordIndex.setValues(0, static_cast<int>(indices_.size()), indices_.data());
        chunk->addChild(coordinates);
        chunk->addChild(lines);
        lines_group_->addChild(chunk);
        points_.clear();
        indices_.clear();
    }

    std::size_t lines() const { return lines_; }

private:
    SoSeparator* parent_;
    SoSeparator* lines_group_ = nullptr;
    std::vector<SbVec3f> points_;
    std::vector<int32_t> indices_;
    std::size_t lines_ = 0;
};

// The Inventor material that draws as the VRML one does (Coin takes the
// ambient colour as the diffuse colour times the ambient intensity).
SoMaterial* copy_material(const SoVRMLMaterial& m)
{
    auto* copy = new SoMaterial;
    const SbColor diffuse = m.diffuseColor.getValue();
    copy->diffuseColor = diffuse;
    copy->ambientColor = diffuse * m.ambientIntensity.getValue();
    copy->specularColor = m.specularColor.getValue();
    copy->emissiveColor = m.emissiveColor.getValue();
    copy->shininess = std::clamp(m.shininess.getValue(), 0.0f, 1.0f);
    copy->transparency = m.transparency.getValue();
    return copy;
}

struct MaterialGroup {
    CoinRef<SoMaterial> material;  // a copy: the scene's may go with the shapes
    std::vector<Instance> instances;
};

// The cost of drawing one instance at a level, in triangles (a line
// counts as one).
std::size_t instance_cost(const Instance& instance, const Level& level)
{
    if (instance.geometry == Geometry::Sphere)
        return 2u * level.sphere_slices * (level.sphere_stacks - 1);
    if (level.cylinder_slices == kHidden)
        return 0;
    if (level.cylinder_slices == kLine)
        return 1;
    const std::size_t side = instance.side ? 2u * level.cylinder_slices : 0;
    const std::size_t caps =
        level.cylinder_caps ? level.cylinder_slices * ((instance.top ? 1u : 0u) + (instance.bottom ? 1u : 0u)) : 0;
    return side + caps;
}

std::size_t level_cost(const std::vector<MaterialGroup>& groups, std::size_t level)
{
    std::size_t total = 0;
    for (const auto& group : groups)
        for (const auto& instance : group.instances)
            total += instance_cost(instance, kLevels[level]);
    return total;
}

SoSeparator* build_level(const std::vector<MaterialGroup>& groups, std::size_t level, std::size_t& triangles)
{
    const Level& l = kLevels[level];
    const LevelTemplates t = templates_for(l);
    auto* root = new SoSeparator;
    triangles = 0;
    for (const auto& group : groups) {
        auto* part = new SoSeparator;
        part->addChild(group.material.get());
        MeshBuilder builder(part);
        LineBuilder lines(part);
        for (const auto& instance : group.instances) {
            if (instance.geometry == Geometry::Cylinder && l.cylinder_slices <= kLine) {
                if (l.cylinder_slices == kLine)
                    lines.add(instance.matrix);
                continue;
            }
            const SbMatrix normal_matrix = instance.matrix.inverse().transpose();
            const bool flip = instance.matrix.det3() < 0.0f;
            if (instance.geometry == Geometry::Sphere) {
                builder.add(t.sphere, instance.matrix, normal_matrix, flip);
                continue;
            }
            if (instance.side)
                builder.add(t.side, instance.matrix, normal_matrix, flip);
            if (instance.top && l.cylinder_caps)
                builder.add(t.top, instance.matrix, normal_matrix, flip);
            if (instance.bottom && l.cylinder_caps)
                builder.add(t.bottom, instance.matrix, normal_matrix, flip);
        }
        builder.flush();
        lines.flush();
        triangles += builder.triangles() + lines.lines();
        root->addChild(part);
    }
    return root;
}

}  // namespace

std::size_t detail_levels() { return kLevels.size(); }
std::size_t first_still_level() { return kFirstStillLevel; }

std::size_t sphere_triangles(std::size_t level)
{
    return instance_cost(Instance{SbMatrix::identity(), Geometry::Sphere}, kLevels.at(level));
}

std::size_t cylinder_triangles(std::size_t level)
{
    return instance_cost(Instance{SbMatrix::identity(), Geometry::Cylinder}, kLevels.at(level));
}

MergedShapes merge_simple_shapes(SoSeparator* root, const TriangleBudget& budget)
{
    MergedShapes result;
    Collector collector;
    collector.walk(root, SbMatrix::identity(), true);

    // Instances grouped by material, in the order the file has them.
    std::vector<MaterialGroup> groups;
    std::map<MaterialKey, std::size_t> group_of;
    for (SoNode* node : collector.order()) {
        if (!collector.removable(node))
            continue;
        const ShapeUse& use = collector.use(node);
        if (use.info.geometry == Geometry::None)
            continue;
        const auto [it, fresh] = group_of.try_emplace(material_key(*use.info.material), groups.size());
        if (fresh)
            groups.push_back({CoinRef<SoMaterial>(copy_material(*use.info.material)), {}});
        MaterialGroup& group = groups[it->second];
        const auto* shape = static_cast<SoVRMLShape*>(node);
        for (const SbMatrix& placement : use.placements) {
            Instance instance{SbMatrix::identity(), use.info.geometry};
            SbMatrix unit;
            if (use.info.geometry == Geometry::Sphere) {
                const float r = static_cast<const SoVRMLSphere*>(shape->geometry.getValue())->radius.getValue();
                unit.setScale(SbVec3f(r, r, r));
            } else {
                const auto* cylinder = static_cast<const SoVRMLCylinder*>(shape->geometry.getValue());
                const float r = cylinder->radius.getValue();
                unit.setScale(SbVec3f(r, cylinder->height.getValue(), r));
                instance.side = cylinder->side.getValue();
                instance.top = cylinder->top.getValue();
                instance.bottom = cylinder->bottom.getValue();
            }
            instance.matrix = unit;
            instance.matrix.multRight(placement);
            group.instances.push_back(instance);
            ++result.shapes;
        }
    }

    std::unordered_map<SoNode*, bool> done;
    prune(root, collector, done);
    if (groups.empty())
        return result;

    // The finest level within each budget; a still view always has its
    // cylinders as solids.
    std::size_t still = kFirstStillLevel;
    for (std::size_t level = kFirstStillLevel + 1; level < kLevels.size(); ++level)
        if (level_cost(groups, level) <= budget.still)
            still = level;
    std::size_t moving = 0;
    for (std::size_t level = 1; level <= still; ++level)
        if (level_cost(groups, level) <= budget.moving)
            moving = level;

    auto* meshes = new SoSeparator;
    result.meshes = CoinRef<SoSeparator>(meshes);
    auto* hints = new SoShapeHints;
    hints->vertexOrdering = SoShapeHints::COUNTERCLOCKWISE;
    hints->shapeType = SoShapeHints::SOLID;
    hints->faceType = SoShapeHints::CONVEX;
    meshes->addChild(hints);
    auto* normal_binding = new SoNormalBinding;
    normal_binding->value = SoNormalBinding::PER_VERTEX_INDEXED;
    meshes->addChild(normal_binding);
    auto* material_binding = new SoMaterialBinding;
    material_binding->value = SoMaterialBinding::OVERALL;
    meshes->addChild(material_binding);

    SoSeparator* still_meshes = build_level(groups, still, result.still_triangles);
    if (moving == still) {
        meshes->addChild(still_meshes);
        result.moving_triangles = result.still_triangles;
        return result;
    }
    auto* detail = new SoSwitch;
    detail->addChild(still_meshes);
    detail->addChild(build_level(groups, moving, result.moving_triangles));
    detail->whichChild = 0;
    meshes->addChild(detail);
    result.detail = detail;
    return result;
}

}  // namespace vexalith::viewer
