#include "viewer/impostor_shapes.h"

#include <Inventor/SbMatrix.h>
#include <Inventor/SbVec4f.h>
#include <Inventor/actions/SoGLRenderAction.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/elements/SoCacheElement.h>
#include <Inventor/elements/SoGLCacheContextElement.h>
#include <Inventor/elements/SoGLLazyElement.h>
#include <Inventor/elements/SoModelMatrixElement.h>
#include <Inventor/elements/SoProjectionMatrixElement.h>
#include <Inventor/elements/SoViewingMatrixElement.h>
#include <Inventor/misc/SoContextHandler.h>
#include <Inventor/misc/SoState.h>
#include <Inventor/nodes/SoCallback.h>

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexalith::viewer {
namespace {

// --- shaders -------------------------------------------------------------

// A frame draws into a picture of its own, of instance names and depths:
// a fragment casts the view ray at the exact sphere or capped cylinder,
// discards misses and writes the hit's depth and the instance's name,
// nothing else.  Then the lighting pass runs once for each pixel of the
// view: it reads the name found there, casts the pixel's ray at that one
// instance again, lights the hit point as OpenGL's fixed-function
// lighting would and writes its colour and depth into the frame.  So each
// pixel is lit once however many instances overlap it (a software
// renderer runs a fragment's lighting even where the depth test then
// drops it).
//
// Where the context has storage buffers (OpenGL 4.3, CULLING defined),
// most instances are not cast at all: of a large scene only some are seen,
// and mostly the same from one frame to the next.  The lighting pass
// lists the instances it lit.  The next frame casts those first; then
// every other instance is tested (TEST defined) with the picture's depths
// so far, drawn as a flat shape at its nearest depth that covers its
// outline, the depth test before the fragment shader: a fragment that
// passes lists the instance, and only the instances so listed are cast.
// An instance not listed lies behind the picture's depth at each of its
// pixels, so the picture is the same as if all were cast.
//
// A name is the instance's index + 1, with the top bit set for cylinders;
// 0 where no instance is.  The instances' records (SphereInstance,
// CylinderInstance) are read from buffer textures, a 32-bit word a texel.
//
// Each kind is drawn in one of two forms.  As quads (four vertices an
// instance) the fragment's ray starts on the quad.  As points (POINTS
// defined: one vertex an instance, a square of gl_PointSize pixels about
// the box its image lies in), taken while every instance covers few
// pixels, the ray comes from the window position and starts level with
// the anchor.
// Either way the ray starts near the shape, so that the eye's distance
// costs no precision.
const char* const kStorage = R"(
#ifdef CULLING
// Per instance (spheres, then cylinders): the frame that last lit it,
// then the frame whose test last listed it.
layout(std430, binding = 0) buffer Stamps { uint stamps[]; };
// The lists of instance indices: lit in even frames, in odd frames,
// listed by the test; the spheres' then the cylinders' part each.
layout(std430, binding = 1) buffer Lists { uint lists[]; };
// The indirect draws of the lists: (count, instances, first, base
// instance) for points, then for quads, a list and kind each.
layout(std430, binding = 2) buffer Draws { uint draws[]; };
uniform uint frame;              // this frame's number, from 1
uniform int stamp_base;          // this kind's first instance in `stamps`

// Appends `index` to the list whose part starts at `base` and whose draws
// start at `draw`.
void append(int base, int draw, int index)
{
    uint slot = atomicAdd(draws[draw], 1u);
    atomicAdd(draws[draw + 5], 1u);
    lists[base + int(slot)] = uint(index);
}

#ifdef TEST
uniform int stamp_count;         // instances of both kinds
uniform int test_list;           // where this kind's part of the tested list starts
uniform int test_draw;           // its draws

// Lists the instance for casting, once a frame.
void list_for_casting(int instance)
{
    if (atomicExchange(stamps[stamp_count + stamp_base + instance], frame) != frame)
        append(test_list, test_draw, instance);
}
#endif
#endif
)";

// The geometry the casting and splatting shaders share: where a sphere's
// image lies, the view ray through a pixel, where a ray meets a sphere or
// a capped cylinder, and the window depth of a point.  Rays start near
// the shape (`start`), so that the eye's distance costs no precision.
const char* const kShapeMath = R"(
uniform mat4 projection;

// Where the image of a sphere of radius `r` about `c` lies in the view
// (normalised device coordinates, each axis): between the planes through
// the eye, and through the view's x or y axis, that touch the sphere;
// false when the eye is too close to bound it.
bool sphere_window(vec3 c, float r, out vec2 low, out vec2 high)
{
    float depth = -c.z;
    vec2 d2 = c.xy * c.xy + depth * depth;
    if (depth <= 0.0 || any(lessThanEqual(d2, vec2(r * r * 1.0001))))
        return false;
    vec2 slope = c.xy / depth;          // the tangent of the centre's angle
    vec2 spread = r / sqrt(d2 - r * r); // of the half angle the sphere spans
    vec2 above = 1.0 - slope * spread;
    vec2 below = 1.0 + slope * spread;
    if (any(lessThanEqual(above, vec2(0.0))) || any(lessThanEqual(below, vec2(0.0))))
        return false;
    vec2 stretch = vec2(projection[0][0], projection[1][1]);
    vec2 shift = vec2(projection[2][0], projection[2][1]);
    low = stretch * ((slope - spread) / below) - shift;
    high = stretch * ((slope + spread) / above) - shift;
    return true;
}

// The view ray's direction through a window position, in pixels from the
// corner of a viewport `size` pixels large.
vec3 pixel_ray(vec2 position, vec2 size)
{
    vec2 ndc = position / size * 2.0 - 1.0;
    return normalize(vec3((ndc.x + projection[2][0]) / projection[0][0],
                          (ndc.y + projection[2][1]) / projection[1][1], -1.0));
}

// How far along the ray from `start` along `rd` it first meets the sphere;
// false when it misses.
bool sphere_hit(vec3 start, vec3 rd, vec3 centre, float radius, out float t)
{
    vec3 oc = start - centre;
    float b = dot(oc, rd);
    float h = b * b - (dot(oc, oc) - radius * radius);
    t = -b - sqrt(max(h, 0.0));
    return h >= 0.0;
}

// The same for the cylinder from `a` to `b`, with its caps; `y` is where
// along the axis (times its length squared) the ray meets the side.  On
// a miss, `t` is where the ray comes nearest.
bool cylinder_hit(vec3 start, vec3 rd, vec3 a, vec3 b, float radius, out float t, out float y)
{
    vec3 ba = b - a;
    vec3 oc = start - a;
    float baba = dot(ba, ba);
    float bard = dot(ba, rd);
    float baoc = dot(ba, oc);
    float k2 = baba - bard * bard;
    float k1 = baba * dot(oc, rd) - baoc * bard;
    float k0 = baba * dot(oc, oc) - baoc * baoc - radius * radius * baba;
    float d = k1 * k1 - k2 * k0;
    float h = sqrt(max(d, 0.0));
    t = (-k1 - h) / k2;
    y = baoc + t * bard;
    if (y > 0.0 && y < baba)
        return d >= 0.0;
    // the caps
    t = ((y < 0.0 ? 0.0 : baba) - baoc) / bard;
    return d >= 0.0 && abs(k1 + k2 * t) < h;
}

// The window depth of an eye-space point, as a triangle there would have
// it; false outside the clipping planes.
bool window_depth(vec3 p, out float depth)
{
    vec4 clip = projection * vec4(p, 1.0);
    float z = clip.z / clip.w;
    depth = 0.5 * (gl_DepthRange.diff * z + gl_DepthRange.near + gl_DepthRange.far);
    return z >= -1.0 && z <= 1.0;
}
)";

const char* const kVertexCommon = R"(
uniform mat4 modelview;
uniform float scale;             // the modelview's (uniform) scale
uniform vec2 half_viewport;      // in pixels
uniform float near_distance;     // of the near clipping plane
uniform uint kind;               // the names' top bit: 0 for spheres
uniform usamplerBuffer records;
uniform int list_base;           // where the drawn list starts in `lists`; -1: all instances
uniform float largest_point;     // in pixels
flat out uint name;
flat out int instance;
out vec3 quad_point;             // eye space, on the instance's quad
const vec2 corners[4] = vec2[4](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0), vec2(1.0, 1.0));

float word(int i)
{
    return uintBitsToFloat(texelFetch(records, i).r);
}

vec3 eye_point(int i)
{
    return (modelview * vec4(word(i), word(i + 1), word(i + 2), 1.0)).xyz;
}

// The instance this vertex belongs to; false when it is not drawn now.
bool take_instance()
{
#ifdef POINTS
    instance = gl_VertexID;
#else
    instance = gl_InstanceID;
#endif
#ifdef CULLING
    if (list_base >= 0)
        instance = int(lists[list_base + instance]);
#endif
    name = kind | uint(instance + 1);
#ifdef TEST
    // cast already: lit in the last frame
    if (stamps[stamp_base + instance] == frame - 1u)
        return false;
#endif
    return true;
}

// A square facing the eye, in the plane through `centre`, that covers the
// outline of a sphere of radius `r` about it; false when the eye is
// inside the sphere.
bool facing_square(vec3 centre, float r, vec2 corner, out vec3 point)
{
    float d2 = dot(centre, centre);
    if (d2 <= r * r * 1.0001)
        return false;
    vec3 forward = centre / sqrt(d2);
    vec3 helper = abs(forward.y) < 0.9 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
    vec3 side = normalize(cross(helper, forward));
    vec3 up = cross(forward, side);
    float half_side = r * sqrt(d2 / (d2 - r * r));
    point = centre + (corner.x * side + corner.y * up) * half_side;
    return true;
}

bool corner_point(int k, out vec3 point);

// Where the image of the instance lies in the view (normalised device
// coordinates, each axis); false when the eye is too close to bound it.
bool window_of(out vec2 low, out vec2 high);

void emit_nothing()
{
    quad_point = vec3(0.0);
    gl_Position = vec4(0.0, 0.0, 0.0, 0.0);
#ifdef POINTS
    gl_PointSize = 1.0;
#endif
}

// An instance that cannot be tested as a point is listed at once.
void untestable()
{
#ifdef TEST
    list_for_casting(instance);
#endif
    emit_nothing();
}

// The instance's quad, or the point that covers its image.  A point lies
// as near as the shape comes to the eye
// (`nearest`, an eye-space z), but not nearer than the near clipping
// plane: the depth the fragments write is never nearer.  Tests are drawn
// as points; a point is clipped whole when its centre leaves the view, and
// can be no larger than `largest_point`: such an instance is listed at
// once unless it lies wholly outside the view.
void emit(vec3 anchor, float nearest)
{
#ifdef POINTS
    vec2 low;
    vec2 high;
    if (!window_of(low, high)) {
        untestable();
        return;
    }
    // A point covers the pixels whose centres lie in its square.
    float size = max((high.x - low.x) * half_viewport.x, (high.y - low.y) * half_viewport.y) + 0.5;
#ifdef TEST
    if (any(greaterThan(low, vec2(1.0))) || any(lessThan(high, vec2(-1.0)))) {
        emit_nothing();
        return;
    }
    if (size > largest_point || any(lessThan(low, vec2(-1.0))) || any(greaterThan(high, vec2(1.0)))) {
        untestable();
        return;
    }
#endif
    float flat_z = min(nearest + abs(nearest) * 1e-5, -near_distance * 1.00001);
    vec2 middle = 0.5 * (low + high);
    vec3 at = vec3((middle + vec2(projection[2][0], projection[2][1])) / vec2(projection[0][0], projection[1][1]) *
                   -flat_z, flat_z);
    quad_point = anchor;
    gl_Position = projection * vec4(at, 1.0);
    gl_PointSize = size;
#else
    vec3 point;
    if (!corner_point(gl_VertexID, point)) {
        emit_nothing();
        return;
    }
    quad_point = point;
    gl_Position = projection * vec4(point, 1.0);
#endif
}
)";

const char* const kSphereVertex = R"(
flat out vec3 centre;
flat out float radius;

bool corner_point(int k, out vec3 point)
{
    return facing_square(centre, radius, corners[k], point);
}

bool window_of(out vec2 low, out vec2 high)
{
    return sphere_window(centre, radius, low, high);
}

void main()
{
    if (!take_instance()) {
        emit_nothing();
        return;
    }
    centre = eye_point(5 * instance);
    radius = word(5 * instance + 3) * scale;
    emit(centre, centre.z + radius);
}
)";

// The quad of a cylinder lies in the plane through its axis that faces
// the eye.  A point of the cylinder at height z above that plane (z <= r)
// is seen on it moved out by the factor D / (D - z), D the eye's distance
// from the axis: across the axis by at most r D / (D - r), along it by at
// most r |x - x_eye| / (D - r).  Seen almost along its axis the cylinder
// gets the square of its bounding sphere instead.
const char* const kCylinderVertex = R"(
flat out vec3 a;
flat out vec3 b;
flat out float radius;

bool corner_point(int k, out vec3 point)
{
    vec2 corner = corners[k];
    vec3 middle = 0.5 * (a + b);
    float len = length(b - a);
    vec3 x = (b - a) / len;
    float eye_along = -dot(middle, x);
    vec3 across = -middle - eye_along * x;
    float distance = length(across);
    if (distance > 2.0 * radius) {
        vec3 y = cross(across / distance, x);
        float grow = radius / (distance - radius);
        float half_len = 0.5 * len;
        float below = half_len + grow * abs(-half_len - eye_along);
        float above = half_len + grow * abs(half_len - eye_along);
        float side = radius * distance / (distance - radius);
        point = middle + x * (corner.x < 0.0 ? -below : above) + y * (corner.y * side);
        return true;
    }
    return facing_square(middle, sqrt(0.25 * len * len + radius * radius), corner, point);
}

// The cylinder lies in the hull of the spheres about its ends.
bool window_of(out vec2 low, out vec2 high)
{
    vec2 low_b;
    vec2 high_b;
    if (!sphere_window(a, radius, low, high) || !sphere_window(b, radius, low_b, high_b))
        return false;
    low = min(low, low_b);
    high = max(high, high_b);
    return true;
}

void main()
{
    if (!take_instance()) {
        emit_nothing();
        return;
    }
    a = eye_point(8 * instance);
    b = eye_point(8 * instance + 3);
    radius = word(8 * instance + 6) * scale;
    emit(0.5 * (a + b), max(a.z, b.z) + radius);
}
)";

// The casting fragments, or the tests'.
const char* const kFragmentCommon = R"(
uniform vec4 viewport;              // x, y, width, height in pixels
flat in uint name;
flat in int instance;
in vec3 quad_point;
#ifdef TEST
layout(early_fragment_tests) in;
void main()
{
    list_for_casting(instance);
}
#else
layout(location = 0) out uint name_out;

// The fragment's view ray: its direction, and where it starts, near
// `anchor`.
vec3 view_ray(vec3 anchor, out vec3 start)
{
#ifdef POINTS
    vec3 rd = pixel_ray(gl_FragCoord.xy - viewport.xy, viewport.zw);
    start = dot(anchor, rd) * rd;
    return rd;
#else
    start = quad_point;
    return normalize(quad_point);
#endif
}

// The hit point's depth and the instance's name; points outside the
// clipping planes are not drawn.
void finish(vec3 p)
{
    float depth;
    if (!window_depth(p, depth))
        discard;
    gl_FragDepth = depth;
    name_out = name;
}
#endif
)";

const char* const kSphereFragment = R"(
#ifndef TEST
flat in vec3 centre;
flat in float radius;

void main()
{
    vec3 start;
    vec3 rd = view_ray(centre, start);
    float t;
    if (!sphere_hit(start, rd, centre, radius, t))
        discard;
    finish(start + t * rd);
}
#endif
)";

const char* const kCylinderFragment = R"(
#ifndef TEST
flat in vec3 a;
flat in vec3 b;
flat in float radius;

void main()
{
    vec3 start;
    vec3 rd = view_ray(0.5 * (a + b), start);
    float t;
    float y;
    if (!cylinder_hit(start, rd, a, b, radius, t, y))
        discard;
    finish(start + t * rd);
}
#endif
)";

// Splatting: while every instance covers few pixels, a compute shader
// draws them instead of the rasteriser, an invocation an instance, which
// casts the rays through the pixel centres of the instance's image
// itself.  A first pass keeps each pixel's nearest depth (an atomic
// minimum of the depth's bits, in order for depths in [0, 1]); a second
// writes the name of the instance whose depth that is.  Both skip a pixel
// already nearer than the instance comes.  The picture is the one the
// casting passes draw, without a rasteriser's cost an instance (its
// setup, and a 4x4 block of fragments at least).
const char* const kSplatCompute = R"(
layout(local_size_x = 64) in;
layout(r32ui, binding = 0) uniform uimage2D depth_image;
layout(r32ui, binding = 1) uniform uimage2D name_image;
uniform usamplerBuffer records;
uniform mat4 modelview;
uniform float scale;
uniform vec2 size;                  // the view's, in pixels
uniform int count;                  // instances of this kind
uniform int pass_number;            // 0: the nearest depths; 1: the names
uniform uint kind;

float word(int i)
{
    return uintBitsToFloat(texelFetch(records, i).r);
}

vec3 eye_point(int i)
{
    return (modelview * vec4(word(i), word(i + 1), word(i + 2), 1.0)).xyz;
}

void main()
{
    int i = int(gl_GlobalInvocationID.x);
    if (i >= count)
        return;
    vec2 low;
    vec2 high;
#ifdef CYLINDER
    vec3 a = eye_point(8 * i);
    vec3 b = eye_point(8 * i + 3);
    float radius = word(8 * i + 6) * scale;
    vec2 low_b;
    vec2 high_b;
    if (!sphere_window(a, radius, low, high) || !sphere_window(b, radius, low_b, high_b))
        return;
    low = min(low, low_b);
    high = max(high, high_b);
    vec3 anchor = 0.5 * (a + b);
    float nearest_z = max(a.z, b.z) + radius;
#else
    vec3 centre = eye_point(5 * i);
    float radius = word(5 * i + 3) * scale;
    if (!sphere_window(centre, radius, low, high))
        return;
    vec3 anchor = centre;
    float nearest_z = centre.z + radius;
#endif
    // No pixel of the instance is nearer than its nearest point (a little
    // margin for rounding).
    float nearest_depth;
    window_depth(vec3(0.0, 0.0, min(nearest_z, -1e-6)), nearest_depth);
    uint nearest = floatBitsToUint(max(nearest_depth, 0.0) * 0.99999);
    // The pixels whose centres lie in the image's box.
    ivec2 first = max(ivec2(ceil((low * 0.5 + 0.5) * size - 0.5)), ivec2(0));
    ivec2 last = min(ivec2(floor((high * 0.5 + 0.5) * size - 0.5)), ivec2(size) - 1);
    uint name = kind | uint(i + 1);
    for (int y = first.y; y <= last.y; ++y) {
        for (int x = first.x; x <= last.x; ++x) {
            ivec2 pixel = ivec2(x, y);
            if (imageLoad(depth_image, pixel).r < nearest)
                continue;
            vec3 rd = pixel_ray(vec2(pixel) + 0.5, size);
            vec3 start = dot(anchor, rd) * rd;
            float t;
#ifdef CYLINDER
            float y;
            if (!cylinder_hit(start, rd, a, b, radius, t, y))
                continue;
#else
            if (!sphere_hit(start, rd, centre, radius, t))
                continue;
#endif
            float depth;
            if (!window_depth(start + t * rd, depth))
                continue;
            uint bits = floatBitsToUint(depth);
            if (pass_number == 0)
                imageAtomicMin(depth_image, pixel, bits);
            else if (imageLoad(depth_image, pixel).r == bits)
                imageStore(name_image, pixel, uvec4(name, 0u, 0u, 0u));
        }
    }
}
)";

// The lighting pass: a triangle over the whole view.
const char* const kLightingVertex = R"(
void main()
{
    gl_Position = vec4(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0, 0.0, 1.0);
}
)";

const char* const kLightingFragment = R"(
uniform usampler2D names;
uniform usamplerBuffer sphere_records;     // 5 words a sphere: centre, radius, material
uniform usamplerBuffer cylinder_records;   // 8 words a cylinder: ends, radius, material
uniform mat4 modelview;
uniform float scale;
uniform vec4 viewport;              // x, y, width, height in pixels
uniform vec4 materials[128];        // (diffuse, ambient intensity), (specular, GL shininess)
// The lights OpenGL has switched on, as the fixed-function pipeline holds
// them (eye space), gathered once per frame.
uniform int light_count;
uniform vec4 light_position[8];
uniform vec3 light_ambient[8];
uniform vec3 light_diffuse[8];
uniform vec3 light_specular[8];
uniform vec3 light_attenuation[8];  // constant, linear, quadratic
uniform vec3 scene_ambient;         // the light model's
uniform bool local_viewer;
#ifdef CULLING
uniform bool list_lit;              // whether to list the instances lit
uniform int sphere_count;
uniform int lit_list;               // where the spheres' part of this frame's list starts
uniform int lit_draw;               // the spheres' draws of it
#endif

float word(usamplerBuffer records, int i)
{
    return uintBitsToFloat(texelFetch(records, i).r);
}

vec3 point_of(usamplerBuffer records, int i)
{
    return (modelview * vec4(word(records, i), word(records, i + 1), word(records, i + 2), 1.0)).xyz;
}

// OpenGL's lighting equation (one-sided, no emission, no spot lights).
vec3 shade(vec3 p, vec3 n, uint material)
{
    vec4 d = materials[2 * int(material)];
    vec4 s = materials[2 * int(material) + 1];
    vec3 ambient = d.rgb * d.a;
    vec3 colour = ambient * scene_ambient;
    vec3 v = local_viewer ? normalize(-p) : vec3(0.0, 0.0, 1.0);
    for (int i = 0; i < light_count; ++i) {
        vec3 l;
        float attenuation = 1.0;
        if (light_position[i].w == 0.0) {
            l = light_position[i].xyz;
        } else {
            vec3 to_light = light_position[i].xyz - p;
            float distance = length(to_light);
            l = to_light / distance;
            attenuation = 1.0 / dot(light_attenuation[i], vec3(1.0, distance, distance * distance));
        }
        vec3 term = ambient * light_ambient[i];
        float nl = dot(n, l);
        if (nl > 0.0) {
            term += nl * d.rgb * light_diffuse[i];
            float nh = max(dot(n, normalize(l + v)), 0.0);
            float highlight = s.a > 0.0 ? pow(nh, s.a) : 1.0;
            term += highlight * s.rgb * light_specular[i];
        }
        colour += attenuation * term;
    }
    return colour;
}

void main()
{
    uint name = texelFetch(names, ivec2(gl_FragCoord.xy - viewport.xy), 0).r;
    if (name == 0u)
        discard;
    int index = int(name & 0x7fffffffu) - 1;
    bool sphere = (name & 0x80000000u) == 0u;
#ifdef CULLING
    if (list_lit) {
        int stamp = sphere ? index : sphere_count + index;
        if (atomicExchange(stamps[stamp], frame) != frame)
            append(sphere ? lit_list : lit_list + sphere_count, sphere ? lit_draw : lit_draw + 8, index);
    }
#endif
    vec3 rd = pixel_ray(gl_FragCoord.xy - viewport.xy, viewport.zw);
    // The ray meets the instance the picture names, but for rounding at
    // its outline: a miss by rounding takes the nearest point.
    vec3 p;
    vec3 n;
    uint material;
    float t;
    if (sphere) {
        vec3 centre = point_of(sphere_records, 5 * index);
        float radius = word(sphere_records, 5 * index + 3) * scale;
        material = texelFetch(sphere_records, 5 * index + 4).r;
        vec3 start = dot(centre, rd) * rd;
        sphere_hit(start, rd, centre, radius, t);
        p = start + t * rd;
        n = normalize(p - centre);
    } else {
        vec3 a = point_of(cylinder_records, 8 * index);
        vec3 b = point_of(cylinder_records, 8 * index + 3);
        float radius = word(cylinder_records, 8 * index + 6) * scale;
        material = texelFetch(cylinder_records, 8 * index + 7).r;
        vec3 start = dot(0.5 * (a + b), rd) * rd;
        float y;
        cylinder_hit(start, rd, a, b, radius, t, y);
        vec3 ba = b - a;
        float baba = dot(ba, ba);
        p = start + t * rd;
        n = y > 0.0 && y < baba ? normalize(p - a - ba * y / baba) : ba * sign(y) / sqrt(baba);
    }
    vec4 clip = projection * vec4(p, 1.0);
    gl_FragDepth = 0.5 * (gl_DepthRange.diff * clamp(clip.z / clip.w, -1.0, 1.0) + gl_DepthRange.near +
                          gl_DepthRange.far);
    gl_FragColor = vec4(clamp(shade(p, n, material), 0.0, 1.0), 1.0);
}
)";

struct Program {
    GLuint id = 0;
    GLint modelview = -1, projection = -1, scale = -1, viewport = -1, half_viewport = -1, near_distance = -1,
          largest_point = -1, kind = -1, records = -1, list_base = -1, stamp_base = -1, stamp_count = -1, frame = -1,
          test_list = -1, test_draw = -1;
    // the lighting pass's
    GLint names = -1, sphere_records = -1, cylinder_records = -1, materials = -1, local_viewer = -1, list_lit = -1,
          sphere_count = -1, lit_list = -1, lit_draw = -1;
    GLint light_count = -1, light_position = -1, light_ambient = -1, light_diffuse = -1, light_specular = -1,
          light_attenuation = -1, scene_ambient = -1;
    // the splatting shaders'
    GLint size = -1, count = -1, pass_number = -1;
};

// The programs casting or testing one kind, by form.
struct ShapePrograms {
    Program quads;
    Program points;
    const Program& in_form(bool as_points) const { return as_points ? points : quads; }
};

struct Programs {
    bool tried = false;
    bool ok = false;
    bool culling = false;  // the tests and the lists (OpenGL 4.3)
    std::string reason;
    ShapePrograms sphere, cylinder;        // casting
    Program sphere_test, cylinder_test;    // testing (as points), with culling
    Program sphere_splat, cylinder_splat;  // splatting, with culling's OpenGL
    bool splatting = false;
    Program lighting;
};

// Per Coin cache context; only the GUI thread draws.
std::map<uint32_t, Programs>& all_programs()
{
    static std::map<uint32_t, Programs> programs;
    return programs;
}

QOpenGLExtraFunctions* gl_functions()
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? context->extraFunctions() : nullptr;
}

// What a shader is compiled with: the version and the defines before its
// sources.
struct Variant {
    bool culling = false;
    bool points = false;
    bool test = false;
    bool cylinder = false;  // the splatting shader's kind
    std::string preamble() const
    {
        std::string s = culling ? "#version 430 compatibility\n#define CULLING 1\n" : "#version 330 compatibility\n";
        if (points)
            s += "#define POINTS 1\n";
        if (test)
            s += "#define TEST 1\n";
        if (cylinder)
            s += "#define CYLINDER 1\n";
        return s;
    }
};

// A shader's sources after the preamble: the shared geometry (unless
// `math` is false), then `common`, then `own`.
struct ShaderSource {
    const char* common;
    const char* own;
    bool math = true;
};

GLuint compile(QOpenGLExtraFunctions& gl, GLenum kind, const Variant& variant, const ShaderSource& source,
               std::string& reason)
{
    const GLuint shader = gl.glCreateShader(kind);
    const std::string preamble = variant.preamble();
    std::array<const char*, 5> parts{preamble.c_str(), kStorage, source.math ? kShapeMath : "", source.common,
                                     source.own};
    gl.glShaderSource(shader, static_cast<GLsizei>(parts.size()), parts.data(), nullptr);
    gl.glCompileShader(shader);
    GLint status = 0;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status == GL_TRUE)
        return shader;
    std::array<char, 2048> log{};
    gl.glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    reason = std::string("shader not compiled: ") + log.data();
    gl.glDeleteShader(shader);
    return 0;
}

bool link_shaders(QOpenGLExtraFunctions& gl, const std::vector<GLuint>& shaders, Program& program, std::string& reason);

bool link(QOpenGLExtraFunctions& gl, const Variant& variant, ShaderSource vertex, ShaderSource fragment,
          Program& program, std::string& reason)
{
    const GLuint v = compile(gl, GL_VERTEX_SHADER, variant, vertex, reason);
    if (v == 0)
        return false;
    const GLuint f = compile(gl, GL_FRAGMENT_SHADER, variant, fragment, reason);
    if (f == 0) {
        gl.glDeleteShader(v);
        return false;
    }
    return link_shaders(gl, {v, f}, program, reason);
}

// The splatting program of one kind (OpenGL 4.3).
bool link_splat(QOpenGLExtraFunctions& gl, bool cylinder, Program& program, std::string& reason)
{
    const GLuint c = compile(gl, GL_COMPUTE_SHADER, {true, false, false, cylinder}, {kSplatCompute, ""}, reason);
    return c != 0 && link_shaders(gl, {c}, program, reason);
}

// Links the shaders (and deletes them) and finds the uniforms.
bool link_shaders(QOpenGLExtraFunctions& gl, const std::vector<GLuint>& shaders, Program& program, std::string& reason)
{
    program.id = gl.glCreateProgram();
    for (const GLuint shader : shaders)
        gl.glAttachShader(program.id, shader);
    gl.glLinkProgram(program.id);
    for (const GLuint shader : shaders)
        gl.glDeleteShader(shader);
    GLint status = 0;
    gl.glGetProgramiv(program.id, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        std::array<char, 2048> log{};
        gl.glGetProgramInfoLog(program.id, static_cast<GLsizei>(log.size()), nullptr, log.data());
        reason = std::string("shaders not linked: ") + log.data();
        gl.glDeleteProgram(program.id);
        program.id = 0;
        return false;
    }
    const auto at = [&](const char* name) { return gl.glGetUniformLocation(program.id, name); };
    program.modelview = at("modelview");
    program.projection = at("projection");
    program.scale = at("scale");
    program.viewport = at("viewport");
    program.half_viewport = at("half_viewport");
    program.near_distance = at("near_distance");
    program.largest_point = at("largest_point");
    program.kind = at("kind");
    program.records = at("records");
    program.list_base = at("list_base");
    program.stamp_base = at("stamp_base");
    program.stamp_count = at("stamp_count");
    program.frame = at("frame");
    program.test_list = at("test_list");
    program.test_draw = at("test_draw");
    program.names = at("names");
    program.sphere_records = at("sphere_records");
    program.cylinder_records = at("cylinder_records");
    program.materials = at("materials");
    program.list_lit = at("list_lit");
    program.sphere_count = at("sphere_count");
    program.lit_list = at("lit_list");
    program.lit_draw = at("lit_draw");
    program.light_count = at("light_count");
    program.light_position = at("light_position");
    program.light_ambient = at("light_ambient");
    program.light_diffuse = at("light_diffuse");
    program.light_specular = at("light_specular");
    program.light_attenuation = at("light_attenuation");
    program.scene_ambient = at("scene_ambient");
    program.local_viewer = at("local_viewer");
    program.size = at("size");
    program.count = at("count");
    program.pass_number = at("pass_number");
    return true;
}

bool link_shapes(QOpenGLExtraFunctions& gl, bool culling, const char* vertex, const char* fragment,
                 ShapePrograms& programs, std::string& reason)
{
    return link(gl, {culling, false, false}, {kVertexCommon, vertex}, {kFragmentCommon, fragment}, programs.quads,
                reason) &&
           link(gl, {culling, true, false}, {kVertexCommon, vertex}, {kFragmentCommon, fragment}, programs.points,
                reason);
}

void delete_programs(QOpenGLExtraFunctions& gl, Programs& p)
{
    for (Program* program : {&p.sphere.quads, &p.sphere.points, &p.cylinder.quads, &p.cylinder.points, &p.sphere_test,
                             &p.cylinder_test, &p.sphere_splat, &p.cylinder_splat, &p.lighting}) {
        if (program->id != 0)
            gl.glDeleteProgram(program->id);
        *program = Program{};
    }
}

void forget_programs(uint32_t context, void*)
{
    auto& programs = all_programs();
    const auto it = programs.find(context);
    if (it == programs.end())
        return;
    if (QOpenGLExtraFunctions* gl = gl_functions())
        delete_programs(*gl, it->second);
    programs.erase(it);
}

// The programs of the current context, made on first use; null when the
// context cannot have them.
void warm_up(QOpenGLExtraFunctions& gl, const Programs& programs);

const Programs* programs_for(uint32_t context)
{
    static const bool registered = [] {
        SoContextHandler::addContextDestructionCallback(forget_programs, nullptr);
        return true;
    }();
    (void)registered;
    Programs& p = all_programs()[context];
    if (p.tried)
        return p.ok ? &p : nullptr;
    p.tried = true;
    QOpenGLContext* qt = QOpenGLContext::currentContext();
    QOpenGLExtraFunctions* gl = gl_functions();
    if (qt == nullptr || gl == nullptr) {
        p.reason = "no current OpenGL context";
        return nullptr;
    }
    const auto [major, minor] = qt->format().version();
    if (qt->isOpenGLES() || major < 3 || (major == 3 && minor < 3) ||
        qt->format().profile() == QSurfaceFormat::CoreProfile) {
        p.reason = "OpenGL " + std::to_string(major) + "." + std::to_string(minor) +
                   " has no compatibility profile of version 3.3 or later";
        return nullptr;
    }
    const auto make = [&](bool culling) {
        p.culling = culling;
        return link_shapes(*gl, culling, kSphereVertex, kSphereFragment, p.sphere, p.reason) &&
               link_shapes(*gl, culling, kCylinderVertex, kCylinderFragment, p.cylinder, p.reason) &&
               (!culling || (link(*gl, {culling, true, true}, {kVertexCommon, kSphereVertex},
                                  {kFragmentCommon, kSphereFragment}, p.sphere_test, p.reason) &&
                             link(*gl, {culling, true, true}, {kVertexCommon, kCylinderVertex},
                                  {kFragmentCommon, kCylinderFragment}, p.cylinder_test, p.reason))) &&
               link(*gl, {culling, false, false}, {"", kLightingVertex, false}, {"", kLightingFragment}, p.lighting,
                    p.reason);
    };
    // Culling where the context has storage buffers; a driver that fails
    // those shaders still draws without.
    p.ok = (major > 4 || (major == 4 && minor >= 3)) && make(true);
    if (!p.ok) {
        delete_programs(*gl, p);
        p.ok = make(false);
    }
    if (!p.ok) {
        delete_programs(*gl, p);
        return nullptr;
    }
    // Splatting where culling's OpenGL is; a driver that fails its
    // shaders draws all by rasterising.
    std::string splat_reason;
    p.splatting = p.culling && link_splat(*gl, false, p.sphere_splat, splat_reason) &&
                  link_splat(*gl, true, p.cylinder_splat, splat_reason);
    warm_up(*gl, p);
    return &p;
}
// --- the instances on the GPU ----------------------------------------------

ImpostorFrames frames_drawn;
ImpostorCulling culling_mode = ImpostorCulling::WhenItPays;
bool splatting_on = true;

// GL_PROGRAM_POINT_SIZE (OpenGL 3.2), under its older name's value.
constexpr GLenum kProgramPointSize = 0x8642;
// OpenGL 3.1's texture buffers, which OpenGL ES names alike.
constexpr GLenum kTextureBuffer = 0x8C2A;
constexpr GLenum kTextureBindingBuffer = 0x8C2C;

// The top bit of a cylinder's name.
constexpr GLuint kCylinderKind = 0x80000000u;

// The lists: lit in even frames (0), in odd frames (1), listed by the
// tests (2).  Their draws, in `Buffers::draws`: per list and kind, one for
// points (count, 1, 0, 0) and one for quads (4, count, 0, 0), 16 words a
// list.
constexpr GLuint kTestedList = 2;
constexpr int kDrawWords = 16;

int draw_word(GLuint list, bool cylinders, bool points)
{
    return kDrawWords * static_cast<int>(list) + (cylinders ? 8 : 0) + (points ? 0 : 4);
}

// The GL objects of a set of instances in one context.
struct Buffers {
    GLuint sphere_buffer = 0, cylinder_buffer = 0;    // the records
    GLuint sphere_records = 0, cylinder_records = 0;  // the same as buffer textures
    GLuint empty_array = 0;                           // for draws without attributes
    GLsizei spheres = 0, cylinders = 0;
    // Culling's storage buffers (see kStorage), and the last frame's number.
    GLuint stamps = 0, lists = 0, draws = 0;
    GLuint frame = 0;
    bool listed = false;       // the last frame listed what it lit
    bool last_tested = false;  // and tested the others
    // What culling costs: the share of instances the last test listed,
    // and how many frames are still to cast all before culling is tried
    // again.
    double listed_share = 0;
    int cast_all_left = 0;
    // The picture of names and depths, at the view's size.
    GLuint framebuffer = 0, names = 0, depth = 0;
    GLuint splat_depths = 0;  // the splatting's nearest depths (their bits), a second colour
    GLsizei width = 0, height = 0;
};

void delete_picture(QOpenGLExtraFunctions& gl, Buffers& b)
{
    gl.glDeleteFramebuffers(1, &b.framebuffer);
    gl.glDeleteTextures(1, &b.names);
    gl.glDeleteTextures(1, &b.splat_depths);
    gl.glDeleteRenderbuffers(1, &b.depth);
    b.framebuffer = b.names = b.depth = b.splat_depths = 0;
    b.width = b.height = 0;
}

void delete_buffers(QOpenGLExtraFunctions& gl, Buffers b)
{
    const std::array<GLuint, 5> buffers{b.sphere_buffer, b.cylinder_buffer, b.stamps, b.lists, b.draws};
    const std::array<GLuint, 2> textures{b.sphere_records, b.cylinder_records};
    gl.glDeleteVertexArrays(1, &b.empty_array);
    gl.glDeleteBuffers(static_cast<GLsizei>(buffers.size()), buffers.data());
    gl.glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
    delete_picture(gl, b);
}

void delete_scheduled(void* closure, uint32_t)
{
    const std::unique_ptr<Buffers> buffers(static_cast<Buffers*>(closure));
    if (QOpenGLExtraFunctions* gl = gl_functions())
        delete_buffers(*gl, *buffers);
}

GLuint buffer_of(QOpenGLExtraFunctions& gl, std::size_t bytes, const void* data)
{
    GLuint buffer = 0;
    gl.glGenBuffers(1, &buffer);
    gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    // Never empty: a buffer texture needs storage.
    gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(std::max<std::size_t>(bytes, 4)), data, GL_STATIC_DRAW);
    return buffer;
}

GLuint buffer_texture(QOpenGLExtraFunctions& gl, GLuint buffer)
{
    GLuint texture = 0;
    gl.glGenTextures(1, &texture);
    gl.glBindTexture(kTextureBuffer, texture);
    gl.glTexBuffer(kTextureBuffer, GL_R32UI, buffer);
    return texture;
}

// The GL objects of `spheres` and `cylinders`, with culling's buffers
// when `culling`.  Changes the array buffer and buffer texture bindings.
Buffers make_buffers(QOpenGLExtraFunctions& gl, const std::vector<SphereInstance>& spheres,
                     const std::vector<CylinderInstance>& cylinders, bool culling)
{
    Buffers b;
    b.spheres = static_cast<GLsizei>(spheres.size());
    b.cylinders = static_cast<GLsizei>(cylinders.size());
    b.sphere_buffer = buffer_of(gl, spheres.size() * sizeof(SphereInstance), spheres.data());
    b.cylinder_buffer = buffer_of(gl, cylinders.size() * sizeof(CylinderInstance), cylinders.data());
    b.sphere_records = buffer_texture(gl, b.sphere_buffer);
    b.cylinder_records = buffer_texture(gl, b.cylinder_buffer);
    gl.glGenVertexArrays(1, &b.empty_array);
    if (culling) {
        const std::size_t all = spheres.size() + cylinders.size();
        const std::vector<GLuint> zeros(2 * all, 0);
        b.stamps = buffer_of(gl, zeros.size() * sizeof(GLuint), zeros.data());
        b.lists = buffer_of(gl, 3 * all * sizeof(GLuint), nullptr);
        b.draws = buffer_of(gl, 3 * kDrawWords * sizeof(GLuint), nullptr);
    }
    return b;
}

// Empties a list's draws.
void clear_list(QOpenGLExtraFunctions& gl, const Buffers& b, GLuint list)
{
    // spheres as points, as quads; cylinders likewise
    constexpr std::array<GLuint, kDrawWords> kEmpty{0, 1, 0, 0, 4, 0, 0, 0, 0, 1, 0, 0, 4, 0, 0, 0};
    gl.glBindBuffer(GL_ARRAY_BUFFER, b.draws);
    gl.glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(list * kDrawWords * sizeof(GLuint)), sizeof(kEmpty),
                       kEmpty.data());
}

// The picture of names and depths at the view's size (made anew when that
// changes); false when the driver cannot have it.
bool ensure_picture(QOpenGLExtraFunctions& gl, Buffers& b, GLsizei width, GLsizei height)
{
    if (b.framebuffer != 0 && b.width == width && b.height == height)
        return true;
    delete_picture(gl, b);
    gl.glGenTextures(1, &b.names);
    gl.glBindTexture(GL_TEXTURE_2D, b.names);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_R32UI, width, height, 0, GL_RED_INTEGER, GL_UNSIGNED_INT, nullptr);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.glGenTextures(1, &b.splat_depths);
    gl.glBindTexture(GL_TEXTURE_2D, b.splat_depths);
    gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_R32UI, width, height, 0, GL_RED_INTEGER, GL_UNSIGNED_INT, nullptr);
    gl.glGenRenderbuffers(1, &b.depth);
    gl.glBindRenderbuffer(GL_RENDERBUFFER, b.depth);
    gl.glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    gl.glGenFramebuffers(1, &b.framebuffer);
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, b.framebuffer);
    gl.glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, b.names, 0);
    gl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, b.depth);
    gl.glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, b.splat_depths, 0);
    if (gl.glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        delete_picture(gl, b);
        return false;
    }
    b.width = width;
    b.height = height;
    return true;
}

// The lights switched on, read back from OpenGL: Coin has set them for
// its own shapes by the time the node draws.  Spot lights are lit as
// point lights (the program's scenes have none).
struct Lights {
    GLint count = 0;
    std::array<float, 4 * 8> position{};
    std::array<float, 3 * 8> ambient{}, diffuse{}, specular{}, attenuation{};
    std::array<float, 3> scene_ambient{};
    bool local_viewer = false;
};

Lights current_lights(QOpenGLExtraFunctions& gl)
{
    Lights lights;
    for (int i = 0; i < 8; ++i) {
        const auto light = static_cast<GLenum>(GL_LIGHT0 + i);
        if (!gl.glIsEnabled(light))
            continue;
        const int n = lights.count++;
        std::array<float, 4> v{};
        glGetLightfv(light, GL_POSITION, v.data());
        if (v[3] != 0) {
            for (int k = 0; k < 3; ++k)
                v[k] /= v[3];
            v[3] = 1;
        } else {
            const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            for (int k = 0; k < 3 && length > 0; ++k)
                v[k] /= length;
        }
        std::copy(v.begin(), v.end(), lights.position.begin() + 4 * n);
        glGetLightfv(light, GL_AMBIENT, v.data());
        std::copy(v.begin(), v.begin() + 3, lights.ambient.begin() + 3 * n);
        glGetLightfv(light, GL_DIFFUSE, v.data());
        std::copy(v.begin(), v.begin() + 3, lights.diffuse.begin() + 3 * n);
        glGetLightfv(light, GL_SPECULAR, v.data());
        std::copy(v.begin(), v.begin() + 3, lights.specular.begin() + 3 * n);
        glGetLightfv(light, GL_CONSTANT_ATTENUATION, &lights.attenuation[3 * n]);
        glGetLightfv(light, GL_LINEAR_ATTENUATION, &lights.attenuation[3 * n + 1]);
        glGetLightfv(light, GL_QUADRATIC_ATTENUATION, &lights.attenuation[3 * n + 2]);
    }
    std::array<float, 4> ambient{};
    gl.glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    std::copy(ambient.begin(), ambient.begin() + 3, lights.scene_ambient.begin());
    GLint local_viewer = 0;
    gl.glGetIntegerv(GL_LIGHT_MODEL_LOCAL_VIEWER, &local_viewer);
    lights.local_viewer = local_viewer != 0;
    return lights;
}

// What a frame of impostors needs besides the GL objects.
struct FrameSetup {
    SbMatrix modelview = SbMatrix::identity();
    SbMatrix projection = SbMatrix::identity();
    float scale = 1;
    Lights lights;
    const float* materials = nullptr;  // 8 floats a material
    GLsizei material_count = 0;
    bool sphere_points = false, cylinder_points = false;
    // Whether every instance is small enough to splat: a splat loops over
    // the pixels of its image, which pays only for a few.
    bool splat = false;
    // Where in the viewport the scene's box shows (x, y, width, height in
    // pixels), which bounds the lighting pass; none: anywhere.
    std::optional<std::array<GLint, 4>> shown_area;
};

// The OpenGL state a frame changes, put back afterwards.
class SavedState {
public:
    explicit SavedState(QOpenGLExtraFunctions& gl) : gl_(gl)
    {
        gl.glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
        gl.glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &array_);
        gl.glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &buffer_);
        gl.glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer_);
        gl.glGetIntegerv(GL_VIEWPORT, viewport_.data());
        gl.glGetIntegerv(GL_SCISSOR_BOX, scissor_.data());
        gl.glGetIntegerv(GL_DEPTH_FUNC, &depth_function_);
        gl.glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask_);
        gl.glGetBooleanv(GL_COLOR_WRITEMASK, colour_mask_.data());
        gl.glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture_);
        for (GLuint unit = 0; unit < kUnits; ++unit) {
            gl.glActiveTexture(GL_TEXTURE0 + unit);
            gl.glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_2d_[unit]);
            gl.glGetIntegerv(kTextureBindingBuffer, &texture_buffer_[unit]);
        }
        for (std::size_t i = 0; i < kSwitches.size(); ++i)
            enabled_[i] = gl.glIsEnabled(kSwitches[i]);
    }

    ~SavedState()
    {
        for (std::size_t i = 0; i < kSwitches.size(); ++i)
            enabled_[i] ? gl_.glEnable(kSwitches[i]) : gl_.glDisable(kSwitches[i]);
        for (GLuint unit = 0; unit < kUnits; ++unit) {
            gl_.glActiveTexture(GL_TEXTURE0 + unit);
            gl_.glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_2d_[unit]));
            gl_.glBindTexture(kTextureBuffer, static_cast<GLuint>(texture_buffer_[unit]));
        }
        gl_.glActiveTexture(static_cast<GLenum>(active_texture_));
        gl_.glColorMask(colour_mask_[0], colour_mask_[1], colour_mask_[2], colour_mask_[3]);
        gl_.glDepthMask(depth_mask_);
        gl_.glDepthFunc(static_cast<GLenum>(depth_function_));
        gl_.glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
        gl_.glScissor(scissor_[0], scissor_[1], scissor_[2], scissor_[3]);
        gl_.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(framebuffer_));
        gl_.glBindVertexArray(static_cast<GLuint>(array_));
        gl_.glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(buffer_));
        gl_.glUseProgram(static_cast<GLuint>(program_));
    }

    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

    // The scene's framebuffer and viewport, as found.
    GLuint framebuffer() const { return static_cast<GLuint>(framebuffer_); }
    const std::array<GLint, 4>& viewport() const { return viewport_; }
    bool enabled(GLenum what) const
    {
        for (std::size_t i = 0; i < kSwitches.size(); ++i)
            if (kSwitches[i] == what)
                return enabled_[i] != GL_FALSE;
        return false;
    }

    static constexpr GLuint kUnits = 3;

private:
    static constexpr std::array<GLenum, 6> kSwitches{GL_CULL_FACE,    GL_BLEND,          GL_POINT_SMOOTH,
                                                     GL_SCISSOR_TEST, kProgramPointSize, GL_DEPTH_TEST};
    QOpenGLExtraFunctions& gl_;
    GLint program_ = 0, array_ = 0, buffer_ = 0, framebuffer_ = 0, depth_function_ = GL_LESS, active_texture_ = 0;
    std::array<GLint, 4> viewport_{}, scissor_{};
    GLboolean depth_mask_ = GL_TRUE;
    std::array<GLboolean, 4> colour_mask_{};
    std::array<GLint, kUnits> texture_2d_{}, texture_buffer_{};
    std::array<GLboolean, kSwitches.size()> enabled_{};
};

// Draws one kind into the picture: casting or testing, all its instances
// or (list_base >= 0) a list through its draws.
class KindPass {
public:
    KindPass(QOpenGLExtraFunctions& gl, const Buffers& b, const FrameSetup& f, GLsizei width, GLsizei height)
        : gl_(gl), b_(b), f_(f), width_(width), height_(height)
    {
        // the near plane's distance, from OpenGL's perspective matrix
        const float c = f.projection[2][2];
        const float d = f.projection[3][2];
        near_ = std::abs(c - 1) > 1e-12f ? d / (c - 1) : 0;
        std::array<GLfloat, 2> sizes{};
        gl.glGetFloatv(GL_ALIASED_POINT_SIZE_RANGE, sizes.data());
        largest_point_ = sizes[1];
    }

    // Casts one kind: all its instances, or (list_base >= 0) a list
    // through its draws.
    void cast(const ShapePrograms& programs, bool cylinders, int list_base, GLuint frame, GLuint list) const
    {
        const bool points = cylinders ? f_.cylinder_points : f_.sphere_points;
        draw(programs.in_form(points), points, cylinders, list_base, frame, list);
    }

    // Tests all instances of one kind, as points.
    void test(const Program& program, bool cylinders, GLuint frame) const
    {
        draw(program, true, cylinders, -1, frame, 0);
    }

    // Where a list's part for a kind starts in the lists.
    int list_base(GLuint list, bool cylinders) const
    {
        return static_cast<int>(list) * (b_.spheres + b_.cylinders) + (cylinders ? b_.spheres : 0);
    }

private:
    void draw(const Program& p, bool points, bool cylinders, int list_base, GLuint frame, GLuint list) const
    {
        gl_.glUseProgram(p.id);
        gl_.glUniform4f(p.viewport, 0, 0, static_cast<float>(width_), static_cast<float>(height_));
        gl_.glUniform2f(p.half_viewport, 0.5f * static_cast<float>(width_), 0.5f * static_cast<float>(height_));
        // Coin's matrices are row-major for row vectors: as OpenGL reads
        // them, column-major for column vectors.
        gl_.glUniformMatrix4fv(p.modelview, 1, GL_FALSE, f_.modelview[0]);
        gl_.glUniformMatrix4fv(p.projection, 1, GL_FALSE, f_.projection[0]);
        gl_.glUniform1f(p.scale, f_.scale);
        gl_.glUniform1f(p.near_distance, near_);
        gl_.glUniform1f(p.largest_point, largest_point_);
        gl_.glUniform1ui(p.kind, cylinders ? kCylinderKind : 0u);
        gl_.glUniform1i(p.records, cylinders ? 2 : 1);
        gl_.glUniform1i(p.list_base, list_base);
        const GLint all = b_.spheres + b_.cylinders;
        gl_.glUniform1i(p.stamp_base, cylinders ? b_.spheres : 0);
        gl_.glUniform1i(p.stamp_count, all);
        gl_.glUniform1ui(p.frame, frame);
        gl_.glUniform1i(p.test_list, static_cast<GLint>(kTestedList) * all + (cylinders ? b_.spheres : 0));
        gl_.glUniform1i(p.test_draw, draw_word(kTestedList, cylinders, true));
        const GLsizei count = cylinders ? b_.cylinders : b_.spheres;
        if (list_base >= 0) {
            const auto offset = static_cast<std::uintptr_t>(draw_word(list, cylinders, points)) * sizeof(GLuint);
            gl_.glDrawArraysIndirect(points ? GL_POINTS : GL_TRIANGLE_STRIP, reinterpret_cast<const void*>(offset));
        } else if (points) {
            gl_.glDrawArrays(GL_POINTS, 0, count);
        } else {
            gl_.glDrawArraysInstanced(GL_TRIANGLE_STRIP, 0, 4, count);
        }
    }

    QOpenGLExtraFunctions& gl_;
    const Buffers& b_;
    const FrameSetup& f_;
    GLsizei width_, height_;
    float near_ = 0;
    float largest_point_ = 1;
};

// Whether a frame pays for culling, from the last frame's lists (`lit`
// the list it lit): the instances cast then (those lit in the frame
// before, and those its tests listed) and those tested, each test costing
// some fraction of a cast, against casting all.  A frame whose culling
// did not pay is followed by some that cast all, and then culling is
// tried again.
bool culling_pays(QOpenGLExtraFunctions& gl, Buffers& b, GLuint lit)
{
    std::array<GLuint, 3 * kDrawWords> counts{};
    gl.glBindBuffer(GL_ARRAY_BUFFER, b.draws);
    if (const void* mapped = gl.glMapBufferRange(GL_ARRAY_BUFFER, 0, sizeof(counts), GL_MAP_READ_BIT)) {
        std::memcpy(counts.data(), mapped, sizeof(counts));
        gl.glUnmapBuffer(GL_ARRAY_BUFFER);
    }
    const double all = static_cast<double>(b.spheres) + static_cast<double>(b.cylinders);
    const double lit_share = (counts[draw_word(lit, false, true)] + counts[draw_word(lit, true, true)]) / all;
    if (b.last_tested)
        b.listed_share =
            (counts[draw_word(kTestedList, false, true)] + counts[draw_word(kTestedList, true, true)]) / all;
    constexpr double kTestCost = 0.4;   // of a cast
    constexpr double kMostCost = 0.85;  // of casting all
    constexpr int kCastAllFrames = 16;
    if (b.cast_all_left > 0) {
        if (--b.cast_all_left == 0)
            b.listed_share = 0;
        return false;
    }
    if (lit_share + b.listed_share + kTestCost * (1 - lit_share) <= kMostCost)
        return true;
    b.cast_all_left = kCastAllFrames;
    return false;
}

// Splats both kinds into the picture (bound as the draw framebuffer):
// their nearest depths, then their names.
void splat(QOpenGLExtraFunctions& gl, const Programs& programs, const Buffers& b, const FrameSetup& f, GLsizei width,
           GLsizei height)
{
    const std::array<GLenum, 2> colours{GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    const std::array<GLuint, 4> farthest{0xffffffffu, 0, 0, 0};
    gl.glDrawBuffers(2, colours.data());
    gl.glClearBufferuiv(GL_COLOR, 1, farthest.data());
    gl.glDrawBuffers(1, colours.data());
    gl.glBindImageTexture(0, b.splat_depths, 0, GL_FALSE, 0, GL_READ_WRITE, GL_R32UI);
    gl.glBindImageTexture(1, b.names, 0, GL_FALSE, 0, GL_WRITE_ONLY, GL_R32UI);
    constexpr GLint kGroup = 64;  // the shader's local size
    for (const GLint pass_number : {0, 1}) {
        for (const bool cylinders : {false, true}) {
            const GLint count = cylinders ? b.cylinders : b.spheres;
            if (count == 0)
                continue;
            const Program& p = cylinders ? programs.cylinder_splat : programs.sphere_splat;
            gl.glUseProgram(p.id);
            gl.glUniformMatrix4fv(p.modelview, 1, GL_FALSE, f.modelview[0]);
            gl.glUniformMatrix4fv(p.projection, 1, GL_FALSE, f.projection[0]);
            gl.glUniform1f(p.scale, f.scale);
            gl.glUniform2f(p.size, static_cast<float>(width), static_cast<float>(height));
            gl.glUniform1i(p.count, count);
            gl.glUniform1i(p.pass_number, pass_number);
            gl.glUniform1ui(p.kind, cylinders ? kCylinderKind : 0u);
            gl.glUniform1i(p.records, cylinders ? 2 : 1);
            gl.glDispatchCompute(static_cast<GLuint>((count + kGroup - 1) / kGroup), 1, 1);
        }
        gl.glMemoryBarrier(GL_SHADER_IMAGE_ACCESS_BARRIER_BIT | GL_TEXTURE_FETCH_BARRIER_BIT);
    }
}

// A frame of the instances into the framebuffer bound now, in the
// viewport set now: their picture of names and depths, then the lighting
// pass.
void draw_frame(QOpenGLExtraFunctions& gl, const Programs& programs, Buffers& b, const FrameSetup& f)
{
    const SavedState saved(gl);
    const std::array<GLint, 4>& viewport = saved.viewport();
    const GLsizei width = viewport[2];
    const GLsizei height = viewport[3];
    if (width <= 0 || height <= 0 || !ensure_picture(gl, b, width, height))
        return;

    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, b.framebuffer);
    gl.glViewport(0, 0, width, height);
    gl.glDisable(GL_SCISSOR_TEST);
    gl.glDisable(GL_CULL_FACE);
    gl.glDisable(GL_BLEND);
    gl.glEnable(GL_DEPTH_TEST);
    gl.glDepthFunc(GL_LESS);
    gl.glDepthMask(GL_TRUE);
    gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const std::array<GLuint, 4> no_name{};
    const GLfloat far = 1;
    gl.glClearBufferuiv(GL_COLOR, 0, no_name.data());
    gl.glClearBufferfv(GL_DEPTH, 0, &far);
    gl.glDisable(GL_POINT_SMOOTH);
    gl.glEnable(kProgramPointSize);
    gl.glBindVertexArray(b.empty_array);
    gl.glActiveTexture(GL_TEXTURE1);
    gl.glBindTexture(kTextureBuffer, b.sphere_records);
    gl.glActiveTexture(GL_TEXTURE2);
    gl.glBindTexture(kTextureBuffer, b.cylinder_records);

    // While every instance covers few pixels, they are splatted (no
    // culling then: a splat skips what lies behind the picture anyway).
    const bool splatting = programs.splatting && splatting_on && f.splat;
    const bool culling = !splatting && programs.culling && culling_mode != ImpostorCulling::Off && b.stamps != 0;
    const GLuint frame = culling ? ++b.frame : 0;
    const GLuint lit_now = frame % 2;
    const KindPass pass(gl, b, f, width, height);
    if (culling) {
        gl.glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, b.stamps);
        gl.glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 1, b.lists);
        gl.glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 2, b.draws);
        gl.glBindBuffer(GL_DRAW_INDIRECT_BUFFER, b.draws);
    }
    const bool tested =
        culling && b.listed && (culling_pays(gl, b, 1 - lit_now) || culling_mode == ImpostorCulling::Always);
    if (culling) {
        clear_list(gl, b, lit_now);
        clear_list(gl, b, kTestedList);
    }
    if (splatting) {
        splat(gl, programs, b, f, width, height);
        ++frames_drawn.splatted;
    } else if (!tested) {
        for (const bool cylinders : {false, true})
            if ((cylinders ? b.cylinders : b.spheres) > 0)
                pass.cast(cylinders ? programs.cylinder : programs.sphere, cylinders, -1, frame, 0);
        ++frames_drawn.cast_all;
    } else {
        // What the last frame lit, first; then the tests of all others,
        // against the depths so far, drawing nothing; then what they listed.
        const GLuint lit_last = 1 - lit_now;
        for (const bool cylinders : {false, true})
            pass.cast(cylinders ? programs.cylinder : programs.sphere, cylinders, pass.list_base(lit_last, cylinders),
                      frame, lit_last);
        gl.glDepthMask(GL_FALSE);
        gl.glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        gl.glDepthFunc(GL_LEQUAL);
        for (const bool cylinders : {false, true})
            if ((cylinders ? b.cylinders : b.spheres) > 0)
                pass.test(cylinders ? programs.cylinder_test : programs.sphere_test, cylinders, frame);
        gl.glMemoryBarrier(GL_COMMAND_BARRIER_BIT | GL_SHADER_STORAGE_BARRIER_BIT);
        gl.glDepthMask(GL_TRUE);
        gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        gl.glDepthFunc(GL_LESS);
        for (const bool cylinders : {false, true})
            pass.cast(cylinders ? programs.cylinder : programs.sphere, cylinders,
                      pass.list_base(kTestedList, cylinders), frame, kTestedList);
        ++frames_drawn.culled;
    }

    // The lighting pass: each named pixel lit, into the scene's framebuffer
    // under its depth test (whatever else the scene drew stays in front
    // where it is nearer).
    gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, saved.framebuffer());
    gl.glViewport(viewport[0], viewport[1], width, height);
    if (saved.enabled(GL_SCISSOR_TEST)) {
        gl.glEnable(GL_SCISSOR_TEST);
    } else if (f.shown_area) {
        const auto& a = *f.shown_area;
        gl.glEnable(GL_SCISSOR_TEST);
        gl.glScissor(viewport[0] + a[0], viewport[1] + a[1], a[2], a[3]);
    }
    if (!saved.enabled(GL_DEPTH_TEST))
        gl.glDisable(GL_DEPTH_TEST);
    gl.glDepthFunc(GL_LEQUAL);
    const Program& l = programs.lighting;
    gl.glUseProgram(l.id);
    gl.glActiveTexture(GL_TEXTURE0);
    gl.glBindTexture(GL_TEXTURE_2D, b.names);
    gl.glUniform1i(l.names, 0);
    gl.glUniform1i(l.sphere_records, 1);
    gl.glUniform1i(l.cylinder_records, 2);
    gl.glUniform4f(l.viewport, static_cast<float>(viewport[0]), static_cast<float>(viewport[1]),
                   static_cast<float>(width), static_cast<float>(height));
    gl.glUniformMatrix4fv(l.modelview, 1, GL_FALSE, f.modelview[0]);
    gl.glUniformMatrix4fv(l.projection, 1, GL_FALSE, f.projection[0]);
    gl.glUniform1f(l.scale, f.scale);
    if (f.material_count > 0)
        gl.glUniform4fv(l.materials, 2 * f.material_count, f.materials);
    const Lights& lights = f.lights;
    gl.glUniform1i(l.light_count, lights.count);
    gl.glUniform4fv(l.light_position, 8, lights.position.data());
    gl.glUniform3fv(l.light_ambient, 8, lights.ambient.data());
    gl.glUniform3fv(l.light_diffuse, 8, lights.diffuse.data());
    gl.glUniform3fv(l.light_specular, 8, lights.specular.data());
    gl.glUniform3fv(l.light_attenuation, 8, lights.attenuation.data());
    gl.glUniform3fv(l.scene_ambient, 1, lights.scene_ambient.data());
    gl.glUniform1i(l.local_viewer, lights.local_viewer ? 1 : 0);
    gl.glUniform1i(l.list_lit, culling ? 1 : 0);
    gl.glUniform1ui(l.frame, frame);
    gl.glUniform1i(l.sphere_count, b.spheres);
    gl.glUniform1i(l.lit_list, pass.list_base(lit_now, false));
    gl.glUniform1i(l.lit_draw, draw_word(lit_now, false, true));
    gl.glDrawArrays(GL_TRIANGLES, 0, 3);
    if (culling) {
        gl.glMemoryBarrier(GL_COMMAND_BARRIER_BIT | GL_SHADER_STORAGE_BARRIER_BIT | GL_BUFFER_UPDATE_BARRIER_BIT);
        gl.glBindBuffer(GL_DRAW_INDIRECT_BUFFER, 0);
    }
    b.listed = culling;
    b.last_tested = tested;
}

// Draws frames of one instance of each kind at the eye, in each form and
// each way, under the depth test the viewer draws with: a software driver
// compiles its code for a program at its first draw, which would otherwise
// fall to a scene's first frame.  No pixel changes.
void warm_up(QOpenGLExtraFunctions& gl, const Programs& programs)
{
    GLint previous_depth_function = 0, previous_buffer = 0, previous_texture = 0;
    gl.glGetIntegerv(GL_DEPTH_FUNC, &previous_depth_function);
    gl.glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &previous_buffer);
    gl.glGetIntegerv(kTextureBindingBuffer, &previous_texture);
    std::array<GLint, 4> previous_viewport{};
    gl.glGetIntegerv(GL_VIEWPORT, previous_viewport.data());
    const GLboolean depth_test = gl.glIsEnabled(GL_DEPTH_TEST);
    gl.glEnable(GL_DEPTH_TEST);
    gl.glDepthFunc(GL_LEQUAL);
    gl.glViewport(0, 0, 16, 16);  // whatever the context's is yet
    Buffers b = make_buffers(gl, {SphereInstance{}}, {CylinderInstance{}}, programs.culling);
    const ImpostorFrames counted = frames_drawn;
    FrameSetup f;
    for (const bool points : {false, true}) {
        f.sphere_points = f.cylinder_points = f.splat = points;
        draw_frame(gl, programs, b, f);  // all cast
        draw_frame(gl, programs, b, f);  // with the lists, where culling
    }
    frames_drawn = counted;
    delete_buffers(gl, b);
    gl.glBindTexture(kTextureBuffer, static_cast<GLuint>(previous_texture));
    gl.glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(previous_buffer));
    gl.glViewport(previous_viewport[0], previous_viewport[1], previous_viewport[2], previous_viewport[3]);
    gl.glDepthFunc(static_cast<GLenum>(previous_depth_function));
    if (!depth_test)
        gl.glDisable(GL_DEPTH_TEST);
}

class ImpostorSet {
public:
    explicit ImpostorSet(std::shared_ptr<const OwnScene> scene) : scene_(std::move(scene))
    {
        for (std::size_t i = 0; i < scene_->materials.size(); ++i) {
            const OwnMaterial& m = scene_->materials[i];
            // As Coin gives a VRML material to OpenGL.
            materials_[8 * i + 0] = m.diffuse[0];
            materials_[8 * i + 1] = m.diffuse[1];
            materials_[8 * i + 2] = m.diffuse[2];
            materials_[8 * i + 3] = m.ambient_intensity;
            materials_[8 * i + 4] = m.specular[0];
            materials_[8 * i + 5] = m.specular[1];
            materials_[8 * i + 6] = m.specular[2];
            materials_[8 * i + 7] = std::clamp(m.shininess, 0.0f, 1.0f) * 128.0f;
        }
        for (const SphereInstance& s : scene_->spheres)
            largest_sphere_ = std::max(largest_sphere_, s.radius);
        for (const CylinderInstance& c : scene_->cylinders) {
            float length2 = 0;
            for (int k = 0; k < 3; ++k)
                length2 += (c.end_b[k] - c.end_a[k]) * (c.end_b[k] - c.end_a[k]);
            largest_cylinder_ = std::max(largest_cylinder_, std::sqrt(0.25f * length2 + c.radius * c.radius));
        }
    }

    ~ImpostorSet()
    {
        if (registered_)
            SoContextHandler::removeContextDestructionCallback(context_gone, this);
        for (const auto& [context, buffers] : buffers_)
            SoGLCacheContextElement::scheduleDeleteCallback(context, delete_scheduled, new Buffers(buffers));
    }

    ImpostorSet(const ImpostorSet&) = delete;
    ImpostorSet& operator=(const ImpostorSet&) = delete;

    static void callback(void* data, SoAction* action)
    {
        auto* set = static_cast<ImpostorSet*>(data);
        if (action->isOfType(SoGLRenderAction::getClassTypeId()))
            set->render(static_cast<SoGLRenderAction*>(action));
        else if (action->isOfType(SoGetBoundingBoxAction::getClassTypeId()) && !set->scene_->bounds.isEmpty())
            static_cast<SoGetBoundingBoxAction*>(action)->extendBy(set->scene_->bounds);
    }

private:
    static void context_gone(uint32_t context, void* closure)
    {
        auto* set = static_cast<ImpostorSet*>(closure);
        const auto it = set->buffers_.find(context);
        if (it == set->buffers_.end())
            return;
        if (QOpenGLExtraFunctions* gl = gl_functions())
            delete_buffers(*gl, it->second);
        set->buffers_.erase(it);
    }

    Buffers& buffers_for(uint32_t context, QOpenGLExtraFunctions& gl, bool culling)
    {
        const auto it = buffers_.find(context);
        if (it != buffers_.end())
            return it->second;
        if (!registered_) {
            SoContextHandler::addContextDestructionCallback(context_gone, this);
            registered_ = true;
        }
        GLint previous_buffer = 0, previous_texture = 0;
        gl.glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &previous_buffer);
        gl.glGetIntegerv(kTextureBindingBuffer, &previous_texture);
        const Buffers b = make_buffers(gl, scene_->spheres, scene_->cylinders, culling);
        gl.glBindTexture(kTextureBuffer, static_cast<GLuint>(previous_texture));
        gl.glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(previous_buffer));
        return buffers_.emplace(context, b).first->second;
    }

    // Whether every instance of a kind covers few pixels, so that the
    // points' form may draw them: the largest, `largest` (the radius of a
    // sphere about it), at the nearest place of the scene's box, spans at
    // most `most` pixels.  (A point is clipped when its centre leaves the
    // view; so small, that does not show.)
    bool as_points(float largest, float most, const SbMatrix& modelview, const SbMatrix& projection, float scale,
                   float view_height) const
    {
        const SbBox3f& box = scene_->bounds;
        float nearest = 1e30f;
        for (int corner = 0; corner < 8; ++corner) {
            const SbVec3f p((corner & 1) ? box.getMax()[0] : box.getMin()[0],
                            (corner & 2) ? box.getMax()[1] : box.getMin()[1],
                            (corner & 4) ? box.getMax()[2] : box.getMin()[2]);
            SbVec3f eye;
            modelview.multVecMatrix(p, eye);
            nearest = std::min(nearest, -eye[2]);
        }
        const float reach = largest * scale;
        if (!(nearest > 2 * reach))
            return false;
        const float pixels = reach * projection[1][1] * view_height / (nearest - reach);
        return pixels <= most;
    }

    // Where the scene's box shows in a viewport of `width` x `height`
    // pixels; none when it reaches behind the eye.
    std::optional<std::array<GLint, 4>> shown_area(const SbMatrix& modelview, const SbMatrix& projection, GLint width,
                                                   GLint height) const
    {
        const SbBox3f& box = scene_->bounds;
        if (box.isEmpty())
            return std::nullopt;
        SbMatrix to_clip = modelview;
        to_clip.multRight(projection);
        float low_x = 1, low_y = 1, high_x = -1, high_y = -1;
        for (int corner = 0; corner < 8; ++corner) {
            const SbVec4f p((corner & 1) ? box.getMax()[0] : box.getMin()[0],
                            (corner & 2) ? box.getMax()[1] : box.getMin()[1],
                            (corner & 4) ? box.getMax()[2] : box.getMin()[2], 1);
            SbVec4f clip;
            to_clip.multVecMatrix(p, clip);
            if (!(clip[3] > 0))
                return std::nullopt;
            low_x = std::min(low_x, clip[0] / clip[3]);
            high_x = std::max(high_x, clip[0] / clip[3]);
            low_y = std::min(low_y, clip[1] / clip[3]);
            high_y = std::max(high_y, clip[1] / clip[3]);
        }
        // a pixel's margin for rounding
        const auto pixel = [](float ndc, GLint size, int margin) {
            const float x = std::floor((std::clamp(ndc, -1.0f, 1.0f) + 1) * 0.5f * static_cast<float>(size));
            return std::clamp(static_cast<GLint>(x) + margin, 0, size);
        };
        const GLint x0 = pixel(low_x, width, -1), x1 = pixel(high_x, width, 2);
        const GLint y0 = pixel(low_y, height, -1), y1 = pixel(high_y, height, 2);
        return std::array<GLint, 4>{x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
    }

    void render(SoGLRenderAction* action)
    {
        SoState* state = action->getState();
        // Raw OpenGL calls cannot be kept in Coin's render caches.
        SoCacheElement::invalidate(state);
        if (scene_->spheres.empty() && scene_->cylinders.empty())
            return;
        const auto context = static_cast<uint32_t>(SoGLCacheContextElement::get(state));
        const Programs* programs = programs_for(context);
        QOpenGLExtraFunctions* gl = gl_functions();
        if (programs == nullptr || gl == nullptr)
            return;

        FrameSetup f;
        f.modelview = SoModelMatrixElement::get(state);
        f.modelview.multRight(SoViewingMatrixElement::get(state));
        f.projection = SoProjectionMatrixElement::get(state);
        SbVec3f unit;
        f.modelview.multDirMatrix(SbVec3f(1, 0, 0), unit);
        f.scale = unit.length();
        f.lights = current_lights(*gl);
        f.materials = materials_.data();
        f.material_count = static_cast<GLsizei>(scene_->materials.size());

        std::array<GLint, 4> viewport{};
        gl->glGetIntegerv(GL_VIEWPORT, viewport.data());
        const auto height = static_cast<float>(viewport[3]);
        // A point is square: a bond's point, about its whole length, covers
        // more pixels in vain than a sphere's, and is kept smaller.
        constexpr float kLargestSpherePoint = 16;
        constexpr float kLargestBondPoint = 8;
        f.sphere_points = as_points(largest_sphere_, kLargestSpherePoint, f.modelview, f.projection, f.scale, height);
        f.cylinder_points = as_points(largest_cylinder_, kLargestBondPoint, f.modelview, f.projection, f.scale, height);
        constexpr float kLargestSplat = 4;
        f.splat = as_points(largest_sphere_, kLargestSplat, f.modelview, f.projection, f.scale, height) &&
                  as_points(largest_cylinder_, kLargestSplat, f.modelview, f.projection, f.scale, height);
        ++(f.sphere_points || f.cylinder_points ? frames_drawn.points : frames_drawn.quads);
        f.shown_area = shown_area(f.modelview, f.projection, viewport[2], viewport[3]);

        draw_frame(*gl, *programs, buffers_for(context, *gl, programs->culling), f);
        SoGLLazyElement::getInstance(state)->reset(state, SoLazyElement::ALL_MASK);
    }

    std::shared_ptr<const OwnScene> scene_;
    float largest_sphere_ = 0;    // the largest radius, in scene units
    float largest_cylinder_ = 0;  // the largest radius of a sphere about a cylinder
    std::array<float, 8 * kMaxOwnMaterials> materials_{};
    std::map<uint32_t, Buffers> buffers_;
    bool registered_ = false;
};

// A callback node that owns what it draws.  It keeps SoCallback's type:
// nothing asks for it by type, and a copy would be a plain callback node.
class ImpostorNode : public SoCallback {
public:
    explicit ImpostorNode(std::shared_ptr<const OwnScene> scene) : set_(std::make_unique<ImpostorSet>(std::move(scene)))
    {
        setCallback(&ImpostorSet::callback, set_.get());
    }

protected:
    ~ImpostorNode() override = default;

private:
    std::unique_ptr<ImpostorSet> set_;
};

}  // namespace

CoinRef<SoNode> make_impostor_node(std::shared_ptr<const OwnScene> scene)
{
    return CoinRef<SoNode>(new ImpostorNode(std::move(scene)));
}

ImpostorFrames impostor_frames() { return frames_drawn; }

void set_impostor_culling(ImpostorCulling mode) { culling_mode = mode; }

void set_impostor_splatting(bool on) { splatting_on = on; }

bool impostors_supported(uint32_t context, std::string* reason)
{
    const Programs* programs = programs_for(context);
    if (programs == nullptr && reason != nullptr)
        *reason = all_programs()[context].reason;
    return programs != nullptr;
}

}  // namespace vexalith::viewer
