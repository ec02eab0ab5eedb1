#include "viewer/scene_adapter.h"

#include <Inventor/SbViewportRegion.h>
#include <Inventor/SoPath.h>
#include <Inventor/VRMLnodes/SoVRMLBackground.h>
#include <Inventor/VRMLnodes/SoVRMLLight.h>
#include <Inventor/VRMLnodes/SoVRMLNavigationInfo.h>
#include <Inventor/VRMLnodes/SoVRMLPointLight.h>
#include <Inventor/VRMLnodes/SoVRMLProximitySensor.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/VRMLnodes/SoVRMLViewpoint.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/lists/SoPathList.h>

#include <chrono>
#include <exception>
#include <vector>

#include "viewer/hidden_bond_ends.h"
#include "viewer/impostor_shapes.h"
#include "viewer/own_scene_reader.h"
#include "viewer/scene_loader.h"

namespace vexalith::viewer {
namespace {

// The first node of a type in traversal order (as VRML binds it), or null.
CoinRef<SoPath> first_path(SoNode* root, SoType type)
{
    SoSearchAction search;
    search.setType(type);
    search.setInterest(SoSearchAction::FIRST);
    search.apply(root);
    return CoinRef<SoPath>(search.getPath());
}

std::vector<CoinRef<SoPath>> all_paths(SoNode* root, SoType type)
{
    SoSearchAction search;
    search.setType(type);
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    std::vector<CoinRef<SoPath>> paths;
    const SoPathList& found = search.getPaths();
    for (int i = 0; i < found.getLength(); ++i)
        paths.emplace_back(found[i]);
    return paths;
}

void remove_from_parent(const SoPath& path, PreparedScene& scene)
{
    if (path.getLength() < 2)
        return;
    SoNode* parent = path.getNodeFromTail(1);
    if (!parent->isOfType(SoGroup::getClassTypeId()))
        return;
    auto* group = static_cast<SoGroup*>(parent);
    const int index = group->findChild(path.getTail());
    if (index >= 0) {
        scene.retired.emplace_back(path.getTail());
        group->removeChild(index);
    }
}

void take_background(SoSeparator* root, PreparedScene& scene)
{
    const CoinRef<SoPath> bound = first_path(root, SoVRMLBackground::getClassTypeId());
    const SoVRMLBackground* kept = nullptr;
    if (bound) {
        const auto* background = static_cast<const SoVRMLBackground*>(bound->getTail());
        if (background->skyColor.getNum() > 0)
            scene.sky = background->skyColor[0];
        const bool one_colour = background->skyColor.getNum() <= 1 && background->groundColor.getNum() == 0 &&
                                background->backUrl.getNum() == 0 && background->frontUrl.getNum() == 0 &&
                                background->leftUrl.getNum() == 0 && background->rightUrl.getNum() == 0 &&
                                background->topUrl.getNum() == 0 && background->bottomUrl.getNum() == 0;
        if (!one_colour)
            kept = background;
    }
    scene.background_drawn = kept != nullptr;
    // Backgrounds that are not bound draw nothing in VRML; Coin would.
    for (const auto& path : all_paths(root, SoVRMLBackground::getClassTypeId()))
        if (path->getTail() != kept)
            remove_from_parent(*path.get(), scene);
}

void take_viewpoint(SoSeparator* root, PreparedScene& scene)
{
    const CoinRef<SoPath> path = first_path(root, SoVRMLViewpoint::getClassTypeId());
    if (!path)
        return;
    const auto* viewpoint = static_cast<const SoVRMLViewpoint*>(path->getTail());
    SoGetMatrixAction matrix_action{SbViewportRegion()};
    matrix_action.apply(path.get());
    const SbMatrix& world = matrix_action.getMatrix();
    ViewpointSetup setup;
    world.multVecMatrix(viewpoint->position.getValue(), setup.position);
    SbVec3f translation, scale;
    SbRotation rotation, scale_orientation;
    world.getTransform(translation, rotation, scale, scale_orientation);
    setup.orientation = viewpoint->orientation.getValue() * rotation;
    setup.field_of_view = viewpoint->fieldOfView.getValue();
    scene.viewpoint = setup;
}

// The transform that `source` (a sensor's eventOut) is routed to through
// `field_name`, among the children of `parent`.
SoVRMLTransform* routed_transform(SoField& source, const char* field_name, SoGroup* parent)
{
    SoFieldList slaves;
    source.getForwardConnections(slaves);
    for (int i = 0; i < slaves.getLength(); ++i) {
        SoFieldContainer* container = slaves[i]->getContainer();
        if (container == nullptr || !container->isOfType(SoVRMLTransform::getClassTypeId()))
            continue;
        auto* transform = static_cast<SoVRMLTransform*>(container);
        SbName name;
        if (!transform->getFieldName(slaves[i], name) || name != field_name)
            continue;
        if (parent->findChild(transform) >= 0)
            return transform;
    }
    return nullptr;
}

void take_viewer_lights(SoSeparator* root, PreparedScene& scene)
{
    for (const auto& path : all_paths(root, SoVRMLProximitySensor::getClassTypeId())) {
        if (path->getLength() < 2 || !path->getNodeFromTail(1)->isOfType(SoGroup::getClassTypeId()))
            continue;
        auto* sensor = static_cast<SoVRMLProximitySensor*>(path->getTail());
        auto* parent = static_cast<SoGroup*>(path->getNodeFromTail(1));
        SoVRMLTransform* follower = routed_transform(sensor->position_changed, "translation", parent);
        if (follower == nullptr || follower != routed_transform(sensor->orientation_changed, "rotation", parent))
            continue;
        // The follower's frame is the viewer's: its lights are eye-space lights.
        for (int i = follower->getNumChildren() - 1; i >= 0; --i) {
            SoNode* child = follower->getChild(i);
            if (!child->isOfType(SoVRMLLight::getClassTypeId()))
                continue;
            scene.eye_lights->insertChild(child, 0);
            follower->removeChild(i);
        }
        if (follower->getNumChildren() > 0)
            continue;  // it carries geometry: leave it following the viewer
        follower->translation.disconnect(&sensor->position_changed);
        follower->rotation.disconnect(&sensor->orientation_changed);
        SoFieldList still_fed;
        if (sensor->position_changed.getForwardConnections(still_fed) == 0 &&
            sensor->orientation_changed.getForwardConnections(still_fed) == 0 &&
            sensor->isActive.getForwardConnections(still_fed) == 0 &&
            sensor->enterTime.getForwardConnections(still_fed) == 0 &&
            sensor->exitTime.getForwardConnections(still_fed) == 0)
            sensor->enabled = FALSE;
    }
}

}  // namespace

PreparedScene prepare_scene(const CoinRef<SoSeparator>& root, const LoadOptions& options)
{
    PreparedScene scene;
    scene.eye_lights = CoinRef<SoGroup>(new SoGroup);

    if (const CoinRef<SoPath> path = first_path(root.get(), SoVRMLNavigationInfo::getClassTypeId()))
        scene.headlight = static_cast<const SoVRMLNavigationInfo*>(path->getTail())->headlight.getValue();
    take_background(root.get(), scene);
    take_viewpoint(root.get(), scene);
    take_viewer_lights(root.get(), scene);

    MergedShapes merged = options.merge_shapes ? merge_simple_shapes(root.get(), options.budget) : MergedShapes();
    scene.content = CoinRef<SoSeparator>(new SoSeparator);
    scene.content->addChild(root.get());
    if (merged.meshes)
        scene.content->addChild(merged.meshes.get());
    scene.detail = merged.detail;
    scene.merged_shapes = merged.shapes;
    scene.still_triangles = merged.still_triangles;
    scene.moving_triangles = merged.moving_triangles;

    SoGetBoundingBoxAction bounds{SbViewportRegion(640, 480)};
    bounds.apply(scene.content.get());
    scene.bounds = bounds.getBoundingBox();
    return scene;
}

PreparedScene prepare_own_scene(OwnScene own, const LoadOptions& options)
{
    PreparedScene scene;
    scene.route = SceneRoute::Fast;
    scene.eye_lights = CoinRef<SoGroup>(new SoGroup);
    scene.headlight = own.headlight;
    scene.sky = own.sky;
    if (own.viewpoint) {
        ViewpointSetup setup;
        setup.position = *own.viewpoint;
        setup.field_of_view = own.field_of_view;
        scene.viewpoint = setup;
    }
    // The light the generic route moves before the camera, made here.
    if (own.light) {
        auto* light = new SoVRMLPointLight;
        light->on = TRUE;
        light->intensity = own.light->intensity;
        light->ambientIntensity = own.light->ambient_intensity;
        light->color = own.light->colour;
        light->location = own.light->location;
        light->radius = own.light->radius;
        scene.eye_lights->addChild(light);
    }
    scene.bounds = own.bounds;
    scene.spheres = own.spheres.size();
    scene.cylinders = own.cylinders.size();
    // The shaders need not cast what the atoms hide (the counts above are
    // the scene's).
    if (options.cut_hidden_bond_ends)
        cut_hidden_bond_ends(own.cylinders, own.spheres);
    scene.content = CoinRef<SoSeparator>(new SoSeparator);
    scene.content->addChild(make_impostor_node(std::make_shared<const OwnScene>(std::move(own))).get());
    return scene;
}

LoadedScene load_scene(const std::string& path, const LoadOptions& options)
{
    using Clock = std::chrono::steady_clock;
    auto seconds_since = [](Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    LoadedScene loaded;
    try {
        auto start = Clock::now();
        const std::string bytes = read_scene_bytes(path);
        loaded.read_seconds = seconds_since(start);
        std::string not_fast = options.fast_route_off;
        if (options.fast_route) {
            start = Clock::now();
            OwnSceneRead own = read_own_scene(bytes);
            loaded.parse_seconds = seconds_since(start);
            if (own.scene) {
                start = Clock::now();
                std::lock_guard building(scene_building_mutex());
                loaded.scene = prepare_own_scene(std::move(*own.scene), options);
                loaded.prepare_seconds = seconds_since(start);
                return loaded;
            }
            not_fast = own.reason;
        }
        std::lock_guard building(scene_building_mutex());
        start = Clock::now();
        ParsedScene parsed = parse_scene(bytes);
        loaded.parse_seconds += seconds_since(start);  // after the fast reader's attempt
        if (!parsed.root) {
            loaded.error = parsed.error;
            return loaded;
        }
        start = Clock::now();
        loaded.scene = prepare_scene(parsed.root, options);
        loaded.scene.route_note = not_fast;
        loaded.prepare_seconds = seconds_since(start);
    } catch (const std::exception& e) {
        loaded.scene = PreparedScene();
        loaded.error = e.what();
    }
    return loaded;
}

}  // namespace vexalith::viewer
