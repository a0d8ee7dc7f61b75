// The 81 built-in node types: the 54 VRML97 types (ids 0 to 53) and the
// extension types (ids 54 to 80), every member with its class, field type,
// name and default written as VRML text. The rows are turned into the
// process-wide template records on first use; the default texts are parsed
// once per process by vrml_parsebuiltinfields.
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "fields/field_internal.h"
#include "loader/report.h"
#include "nodes/node_internal.h"
#include "zebio/heap.h"

namespace {

struct member_row {
    int8_t memberclass;
    int8_t type;
    const char *name;
    const char *text;  // the default as VRML text; null: no default
};

struct node_row {
    const char *name;
    int16_t count;  // its member rows follow those of the types before it
};

constexpr int8_t kIn = VRML_EVENTIN, kOut = VRML_EVENTOUT, kExp = VRML_EXPOSEDFIELD,
                 kFld = VRML_FIELD;

constexpr member_row kMembers[] = {
    // 0 Anchor
    {kIn, VRML_MFNODE, "addChildren", nullptr},
    {kIn, VRML_MFNODE, "removeChildren", nullptr},
    {kExp, VRML_MFNODE, "children", "[]"},
    {kExp, VRML_SFSTRING, "description", "\"\""},
    {kExp, VRML_MFSTRING, "parameter", "[]"},
    {kExp, VRML_MFSTRING, "url", "[]"},
    {kFld, VRML_SFVEC3F, "bboxCenter", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    // 1 Appearance
    {kExp, VRML_SFNODE, "material", "NULL"},
    {kExp, VRML_SFNODE, "texture", "NULL"},
    {kExp, VRML_SFNODE, "textureTransform", "NULL"},
    // 2 AudioClip
    {kExp, VRML_SFSTRING, "description", "\"\""},
    {kExp, VRML_SFBOOL, "loop", "FALSE"},
    {kExp, VRML_SFFLOAT, "pitch", "1.0"},
    {kExp, VRML_SFTIME, "startTime", "0"},
    {kExp, VRML_SFTIME, "stopTime", "0"},
    {kExp, VRML_MFSTRING, "url", "[]"},
    {kOut, VRML_SFTIME, "duration_changed", nullptr},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    // 3 Background
    {kIn, VRML_SFBOOL, "set_bind", nullptr},
    {kExp, VRML_MFFLOAT, "groundAngle", "[]"},
    {kExp, VRML_MFCOLOR, "groundColor", "[]"},
    {kExp, VRML_MFSTRING, "backUrl", "[]"},
    {kExp, VRML_MFSTRING, "bottomUrl", "[]"},
    {kExp, VRML_MFSTRING, "frontUrl", "[]"},
    {kExp, VRML_MFSTRING, "leftUrl", "[]"},
    {kExp, VRML_MFSTRING, "rightUrl", "[]"},
    {kExp, VRML_MFSTRING, "topUrl", "[]"},
    {kExp, VRML_MFFLOAT, "skyAngle", "[]"},
    {kExp, VRML_MFCOLOR, "skyColor", "0 0 0"},
    {kOut, VRML_SFBOOL, "isBound", nullptr},
    // 4 Billboard
    {kIn, VRML_MFNODE, "addChildren", nullptr},
    {kIn, VRML_MFNODE, "removeChildren", nullptr},
    {kExp, VRML_SFVEC3F, "axisOfRotation", "0 1 0"},
    {kExp, VRML_MFNODE, "children", "[]"},
    {kFld, VRML_SFVEC3F, "bboxCenter", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    // 5 Box
    {kFld, VRML_SFVEC3F, "size", "2 2 2"},
    // 6 Collision
    {kIn, VRML_MFNODE, "addChildren", nullptr},
    {kIn, VRML_MFNODE, "removeChildren", nullptr},
    {kExp, VRML_MFNODE, "children", "[]"},
    {kExp, VRML_SFBOOL, "collide", "TRUE"},
    {kFld, VRML_SFVEC3F, "bboxCenter", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    {kFld, VRML_SFNODE, "proxy", "NULL"},
    {kOut, VRML_SFTIME, "collideTime", nullptr},
    // 7 Color
    {kExp, VRML_MFCOLOR, "color", "[]"},
    // 8 ColorInterpolator
    {kIn, VRML_SFFLOAT, "set_fraction", nullptr},
    {kExp, VRML_MFFLOAT, "key", "[]"},
    {kExp, VRML_MFCOLOR, "keyValue", "[]"},
    {kOut, VRML_SFCOLOR, "value_changed", nullptr},
    // 9 Cone
    {kFld, VRML_SFFLOAT, "bottomRadius", "1"},
    {kFld, VRML_SFFLOAT, "height", "2"},
    {kFld, VRML_SFBOOL, "side", "TRUE"},
    {kFld, VRML_SFBOOL, "bottom", "TRUE"},
    // 10 Coordinate
    {kExp, VRML_MFVEC3F, "point", "[]"},
    {kFld, VRML_SFINT32, "#tick", "0"},
    {kFld, VRML_SFINT32, "#id", "0"},
    {kFld, VRML_SFINT32, "#base", "0"},
    // 11 CoordinateInterpolator
    {kIn, VRML_SFFLOAT, "set_fraction", nullptr},
    {kExp, VRML_MFFLOAT, "key", "[]"},
    {kExp, VRML_MFVEC3F, "keyValue", "[]"},
    {kOut, VRML_MFVEC3F, "value_changed", nullptr},
    // 12 Cylinder
    {kFld, VRML_SFBOOL, "bottom", "TRUE"},
    {kFld, VRML_SFFLOAT, "height", "2"},
    {kFld, VRML_SFFLOAT, "radius", "1"},
    {kFld, VRML_SFBOOL, "side", "TRUE"},
    {kFld, VRML_SFBOOL, "top", "TRUE"},
    // 13 CylinderSensor
    {kExp, VRML_SFBOOL, "autoOffset", "TRUE"},
    {kExp, VRML_SFFLOAT, "diskAngle", "0.262"},
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kExp, VRML_SFFLOAT, "maxAngle", "-1"},
    {kExp, VRML_SFFLOAT, "minAngle", "0"},
    {kExp, VRML_SFFLOAT, "offset", "0"},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    {kOut, VRML_SFROTATION, "rotation_changed", nullptr},
    {kOut, VRML_SFVEC3F, "trackPoint_changed", nullptr},
    // 14 DirectionalLight
    {kExp, VRML_SFFLOAT, "ambientIntensity", "0"},
    {kExp, VRML_SFCOLOR, "color", "1 1 1"},
    {kExp, VRML_SFVEC3F, "direction", "0 0 -1"},
    {kExp, VRML_SFFLOAT, "intensity", "1"},
    {kExp, VRML_SFBOOL, "on", "TRUE"},
    // 15 ElevationGrid
    {kIn, VRML_MFFLOAT, "set_height", nullptr},
    {kExp, VRML_SFNODE, "color", "NULL"},
    {kExp, VRML_SFNODE, "normal", "NULL"},
    {kExp, VRML_SFNODE, "texCoord", "NULL"},
    {kFld, VRML_MFFLOAT, "height", "[]"},
    {kFld, VRML_SFBOOL, "ccw", "TRUE"},
    {kFld, VRML_SFBOOL, "colorPerVertex", "TRUE"},
    {kFld, VRML_SFFLOAT, "creaseAngle", "0"},
    {kFld, VRML_SFBOOL, "normalPerVertex", "TRUE"},
    {kFld, VRML_SFBOOL, "solid", "TRUE"},
    {kFld, VRML_SFINT32, "xDimension", "0"},
    {kFld, VRML_SFFLOAT, "xSpacing", "0.0"},
    {kFld, VRML_SFINT32, "zDimension", "0"},
    {kFld, VRML_SFFLOAT, "zSpacing", "0.0"},
    // 16 Extrusion
    {kIn, VRML_MFVEC2F, "set_crossSection", nullptr},
    {kIn, VRML_MFROTATION, "set_orientation", nullptr},
    {kIn, VRML_MFVEC2F, "set_scale", nullptr},
    {kIn, VRML_MFVEC3F, "set_spine", nullptr},
    {kFld, VRML_SFBOOL, "beginCap", "TRUE"},
    {kFld, VRML_SFBOOL, "ccw", "TRUE"},
    {kFld, VRML_SFBOOL, "convex", "TRUE"},
    {kFld, VRML_SFFLOAT, "creaseAngle", "0"},
    {kFld, VRML_MFVEC2F, "crossSection", "[ 1 1, 1 -1, -1 -1, -1 1, 1 1 ]"},
    {kFld, VRML_SFBOOL, "endCap", "TRUE"},
    {kFld, VRML_MFROTATION, "orientation", "0 0 1 0"},
    {kFld, VRML_MFVEC2F, "scale", "1 1"},
    {kFld, VRML_SFBOOL, "solid", "TRUE"},
    {kFld, VRML_MFVEC3F, "spine", "[ 0 0 0, 0 1 0 ]"},
    // 17 Fog
    {kExp, VRML_SFCOLOR, "color", "1 1 1"},
    {kExp, VRML_SFSTRING, "fogType", "\"LINEAR\""},
    {kExp, VRML_SFFLOAT, "visibilityRange", "0"},
    {kIn, VRML_SFBOOL, "set_bind", nullptr},
    {kOut, VRML_SFBOOL, "isBound", nullptr},
    // 18 FontStyle
    {kFld, VRML_MFSTRING, "family", "\"SERIF\""},
    {kFld, VRML_SFBOOL, "horizontal", "TRUE"},
    {kFld, VRML_MFSTRING, "justify", "\"BEGIN\""},
    {kFld, VRML_SFSTRING, "language", "\"\""},
    {kFld, VRML_SFBOOL, "leftToRight", "TRUE"},
    {kFld, VRML_SFFLOAT, "size", "1.0"},
    {kFld, VRML_SFFLOAT, "spacing", "1.0"},
    {kFld, VRML_SFSTRING, "style", "\"PLAIN\""},
    {kFld, VRML_SFBOOL, "topToBottom", "TRUE"},
    // 19 Group
    {kIn, VRML_MFNODE, "addChildren", nullptr},
    {kIn, VRML_MFNODE, "removeChildren", nullptr},
    {kExp, VRML_MFNODE, "children", "[]"},
    {kFld, VRML_SFVEC3F, "bboxCenter", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    // 20 ImageTexture
    {kExp, VRML_MFSTRING, "url", "[]"},
    {kFld, VRML_SFBOOL, "repeatS", "TRUE"},
    {kFld, VRML_SFBOOL, "repeatT", "TRUE"},
    {kFld, VRML_SFINT32, "#raw", "-1"},
    // 21 IndexedFaceSet
    {kIn, VRML_MFINT32, "set_colorIndex", nullptr},
    {kIn, VRML_MFINT32, "set_coordIndex", nullptr},
    {kIn, VRML_MFINT32, "set_normalIndex", nullptr},
    {kIn, VRML_MFINT32, "set_texCoordIndex", nullptr},
    {kExp, VRML_SFNODE, "color", "NULL"},
    {kExp, VRML_SFNODE, "coord", "NULL"},
    {kExp, VRML_SFNODE, "normal", "NULL"},
    {kExp, VRML_SFNODE, "texCoord", "NULL"},
    {kFld, VRML_SFBOOL, "ccw", "TRUE"},
    {kFld, VRML_MFINT32, "colorIndex", "[]"},
    {kFld, VRML_SFBOOL, "colorPerVertex", "TRUE"},
    {kFld, VRML_SFBOOL, "convex", "TRUE"},
    {kFld, VRML_MFINT32, "coordIndex", "[]"},
    {kFld, VRML_SFFLOAT, "creaseAngle", "0"},
    {kFld, VRML_MFINT32, "normalIndex", "[]"},
    {kFld, VRML_SFBOOL, "normalPerVertex", "TRUE"},
    {kFld, VRML_SFBOOL, "solid", "TRUE"},
    {kFld, VRML_MFINT32, "texCoordIndex", "[]"},
    // 22 IndexedLineSet
    {kIn, VRML_MFINT32, "set_colorIndex", nullptr},
    {kIn, VRML_MFINT32, "set_coordIndex", nullptr},
    {kExp, VRML_SFNODE, "color", "NULL"},
    {kExp, VRML_SFNODE, "coord", "NULL"},
    {kFld, VRML_MFINT32, "colorIndex", "[]"},
    {kFld, VRML_SFBOOL, "colorPerVertex", "TRUE"},
    {kFld, VRML_MFINT32, "coordIndex", "[]"},
    // 23 Inline
    {kExp, VRML_MFSTRING, "url", "[]"},
    {kFld, VRML_SFVEC3F, "bboxCenter", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    // 24 LOD
    {kExp, VRML_MFNODE, "level", "[]"},
    {kFld, VRML_SFVEC3F, "center", "0 0 0"},
    {kFld, VRML_MFFLOAT, "range", "[]"},
    // 25 Material
    {kExp, VRML_SFFLOAT, "ambientIntensity", "0.2"},
    {kExp, VRML_SFCOLOR, "diffuseColor", "0.8 0.8 0.8"},
    {kExp, VRML_SFCOLOR, "emissiveColor", "0 0 0"},
    {kExp, VRML_SFFLOAT, "shininess", "0.2"},
    {kExp, VRML_SFCOLOR, "specularColor", "0 0 0"},
    {kExp, VRML_SFFLOAT, "transparency", "0"},
    // 26 MovieTexture
    {kExp, VRML_SFBOOL, "loop", "FALSE"},
    {kExp, VRML_SFFLOAT, "speed", "1.0"},
    {kExp, VRML_SFTIME, "startTime", "0"},
    {kExp, VRML_SFTIME, "stopTime", "0"},
    {kExp, VRML_MFSTRING, "url", "[]"},
    {kFld, VRML_SFBOOL, "repeatS", "TRUE"},
    {kFld, VRML_SFBOOL, "repeatT", "TRUE"},
    {kOut, VRML_SFTIME, "duration_changed", nullptr},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    // 27 NavigationInfo
    {kIn, VRML_SFBOOL, "set_bind", nullptr},
    {kExp, VRML_MFFLOAT, "avatarSize", "[ 0.25, 1.6, 0.75 ]"},
    {kExp, VRML_SFBOOL, "headlight", "TRUE"},
    {kExp, VRML_SFFLOAT, "speed", "1.0"},
    {kExp, VRML_MFSTRING, "type", "[ \"WALK\", \"ANY\" ]"},
    {kExp, VRML_SFFLOAT, "visibilityLimit", "0.0"},
    {kOut, VRML_SFBOOL, "isBound", nullptr},
    // 28 Normal
    {kExp, VRML_MFVEC3F, "vector", "[]"},
    // 29 NormalInterpolator
    {kIn, VRML_SFFLOAT, "set_fraction", nullptr},
    {kExp, VRML_MFFLOAT, "key", "[]"},
    {kExp, VRML_MFVEC3F, "keyValue", "[]"},
    {kOut, VRML_MFVEC3F, "value_changed", nullptr},
    // 30 OrientationInterpolator
    {kIn, VRML_SFFLOAT, "set_fraction", nullptr},
    {kExp, VRML_MFFLOAT, "key", "[]"},
    {kExp, VRML_MFROTATION, "keyValue", "[]"},
    {kOut, VRML_SFROTATION, "value_changed", nullptr},
    // 31 PixelTexture
    {kExp, VRML_SFIMAGE, "image", "0 0 0"},
    {kFld, VRML_SFBOOL, "repeatS", "TRUE"},
    {kFld, VRML_SFBOOL, "repeatT", "TRUE"},
    // 32 PlaneSensor
    {kExp, VRML_SFBOOL, "autoOffset", "TRUE"},
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kExp, VRML_SFVEC2F, "maxPosition", "-1 -1"},
    {kExp, VRML_SFVEC2F, "minPosition", "0 0"},
    {kExp, VRML_SFVEC3F, "offset", "0 0 0"},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    {kOut, VRML_SFVEC3F, "trackPoint_changed", nullptr},
    {kOut, VRML_SFVEC3F, "translation_changed", nullptr},
    // 33 PointLight
    {kExp, VRML_SFFLOAT, "ambientIntensity", "0"},
    {kExp, VRML_SFVEC3F, "attenuation", "1 0 0"},
    {kExp, VRML_SFCOLOR, "color", "1 1 1"},
    {kExp, VRML_SFFLOAT, "intensity", "1"},
    {kExp, VRML_SFVEC3F, "location", "0 0 0"},
    {kExp, VRML_SFBOOL, "on", "TRUE"},
    {kExp, VRML_SFFLOAT, "radius", "100"},
    // 34 PointSet
    {kExp, VRML_SFNODE, "color", "NULL"},
    {kExp, VRML_SFNODE, "coord", "NULL"},
    // 35 PositionInterpolator
    {kIn, VRML_SFFLOAT, "set_fraction", nullptr},
    {kExp, VRML_MFFLOAT, "key", "[]"},
    {kExp, VRML_MFVEC3F, "keyValue", "[]"},
    {kOut, VRML_SFVEC3F, "value_changed", nullptr},
    // 36 ProximitySensor
    {kExp, VRML_SFVEC3F, "center", "0 0 0"},
    {kExp, VRML_SFVEC3F, "size", "0 0 0"},
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    {kOut, VRML_SFVEC3F, "position_changed", nullptr},
    {kOut, VRML_SFROTATION, "orientation_changed", nullptr},
    {kOut, VRML_SFTIME, "enterTime", nullptr},
    {kOut, VRML_SFTIME, "exitTime", nullptr},
    // 37 ScalarInterpolator
    {kIn, VRML_SFFLOAT, "set_fraction", nullptr},
    {kExp, VRML_MFFLOAT, "key", "[]"},
    {kExp, VRML_MFFLOAT, "keyValue", "[]"},
    {kOut, VRML_SFFLOAT, "value_changed", nullptr},
    // 38 Script
    {kFld, VRML_MFSTRING, "url", "[]"},
    {kFld, VRML_SFBOOL, "directOutput", "FALSE"},
    {kFld, VRML_SFBOOL, "mustEvaluate", "FALSE"},
    // 39 Shape
    {kExp, VRML_SFNODE, "appearance", "NULL"},
    {kExp, VRML_SFNODE, "geometry", "NULL"},
    // 40 Sound
    {kExp, VRML_SFVEC3F, "direction", "0 0 1"},
    {kExp, VRML_SFFLOAT, "intensity", "1"},
    {kExp, VRML_SFVEC3F, "location", "0 0 0"},
    {kExp, VRML_SFFLOAT, "maxBack", "10"},
    {kExp, VRML_SFFLOAT, "maxFront", "10"},
    {kExp, VRML_SFFLOAT, "minBack", "1"},
    {kExp, VRML_SFFLOAT, "minFront", "1"},
    {kExp, VRML_SFFLOAT, "priority", "0"},
    {kExp, VRML_SFNODE, "source", "NULL"},
    {kFld, VRML_SFBOOL, "spatialize", "TRUE"},
    // 41 Sphere
    {kFld, VRML_SFFLOAT, "radius", "1"},
    // 42 SphereSensor
    {kExp, VRML_SFBOOL, "autoOffset", "TRUE"},
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kExp, VRML_SFROTATION, "offset", "0 1 0 0"},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    {kOut, VRML_SFROTATION, "rotation_changed", nullptr},
    {kOut, VRML_SFVEC3F, "trackPoint_changed", nullptr},
    // 43 SpotLight
    {kExp, VRML_SFFLOAT, "ambientIntensity", "0"},
    {kExp, VRML_SFVEC3F, "attenuation", "1 0 0"},
    {kExp, VRML_SFFLOAT, "beamWidth", "1.570796"},
    {kExp, VRML_SFCOLOR, "color", "1 1 1"},
    {kExp, VRML_SFFLOAT, "cutOffAngle", "0.785398"},
    {kExp, VRML_SFVEC3F, "direction", "0 0 -1"},
    {kExp, VRML_SFFLOAT, "intensity", "1"},
    {kExp, VRML_SFVEC3F, "location", "0 0 0"},
    {kExp, VRML_SFBOOL, "on", "TRUE"},
    {kExp, VRML_SFFLOAT, "radius", "100"},
    // 44 Switch
    {kExp, VRML_MFNODE, "choice", "[]"},
    {kExp, VRML_SFINT32, "whichChoice", "-1"},
    // 45 Text
    {kExp, VRML_MFSTRING, "string", "[]"},
    {kExp, VRML_SFNODE, "fontStyle", "NULL"},
    {kExp, VRML_MFFLOAT, "length", "[]"},
    {kExp, VRML_SFFLOAT, "maxExtent", "0.0"},
    // 46 TextureCoordinate
    {kExp, VRML_MFVEC2F, "point", "[]"},
    // 47 TextureTransform
    {kExp, VRML_SFVEC2F, "center", "0 0"},
    {kExp, VRML_SFFLOAT, "rotation", "0"},
    {kExp, VRML_SFVEC2F, "scale", "1 1"},
    {kExp, VRML_SFVEC2F, "translation", "0 0"},
    // 48 TimeSensor
    {kExp, VRML_SFTIME, "cycleInterval", "1"},
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kExp, VRML_SFBOOL, "loop", "FALSE"},
    {kExp, VRML_SFTIME, "startTime", "0"},
    {kExp, VRML_SFTIME, "stopTime", "0"},
    {kOut, VRML_SFTIME, "cycleTime", nullptr},
    {kOut, VRML_SFFLOAT, "fraction_changed", nullptr},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    {kOut, VRML_SFTIME, "time", nullptr},
    // 49 TouchSensor
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kOut, VRML_SFVEC3F, "hitNormal_changed", nullptr},
    {kOut, VRML_SFVEC3F, "hitPoint_changed", nullptr},
    {kOut, VRML_SFVEC2F, "hitTexCoord_changed", nullptr},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    {kOut, VRML_SFBOOL, "isOver", nullptr},
    {kOut, VRML_SFTIME, "touchTime", nullptr},
    // 50 Transform
    {kIn, VRML_MFNODE, "addChildren", nullptr},
    {kIn, VRML_MFNODE, "removeChildren", nullptr},
    {kExp, VRML_SFVEC3F, "center", "0 0 0"},
    {kExp, VRML_MFNODE, "children", "[]"},
    {kExp, VRML_SFROTATION, "rotation", "0 0 1 0"},
    {kExp, VRML_SFVEC3F, "scale", "1 1 1"},
    {kExp, VRML_SFROTATION, "scaleOrientation", "0 0 1 0"},
    {kExp, VRML_SFVEC3F, "translation", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxCenter", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    // 51 Viewpoint
    {kIn, VRML_SFBOOL, "set_bind", nullptr},
    {kExp, VRML_SFFLOAT, "fieldOfView", "0.785398"},
    {kExp, VRML_SFBOOL, "jump", "TRUE"},
    {kExp, VRML_SFROTATION, "orientation", "0 0 1 0"},
    {kExp, VRML_SFVEC3F, "position", "0 0 10"},
    {kFld, VRML_SFSTRING, "description", "\"\""},
    {kOut, VRML_SFTIME, "bindTime", nullptr},
    {kOut, VRML_SFBOOL, "isBound", nullptr},
    // 52 VisibilitySensor
    {kExp, VRML_SFVEC3F, "center", "0 0 0"},
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kExp, VRML_SFVEC3F, "size", "0 0 0"},
    {kOut, VRML_SFTIME, "enterTime", nullptr},
    {kOut, VRML_SFTIME, "exitTime", nullptr},
    {kOut, VRML_SFBOOL, "isActive", nullptr},
    // 53 WorldInfo
    {kFld, VRML_MFSTRING, "info", "[]"},
    {kFld, VRML_SFSTRING, "title", "\"\""},
    // 54 ZEBSurface
    {kFld, VRML_SFINT32, "pe", "-1"},
    {kFld, VRML_MFSTRING, "url", "[]"},
    {kFld, VRML_SFIMAGE, "filter", "0 0 0"},
    {kFld, VRML_SFINT32, "ts", "-1"},
    {kFld, VRML_SFNODE, "coord", "NULL"},
    {kFld, VRML_MFINT32, "coordIndex", "[]"},
    {kFld, VRML_SFNODE, "texCoord", "NULL"},
    {kFld, VRML_MFINT32, "texCoordIndex", "[]"},
    {kFld, VRML_MFFLOAT, "offset", "[]"},
    {kFld, VRML_SFINT32, "side", "0"},
    {kFld, VRML_SFINT32, "surfaceLight", "-1"},
    {kFld, VRML_MFINT32, "light", "[]"},
    // 55 ZEBTree
    {kFld, VRML_MFNODE, "surfaces", "[]"},
    {kFld, VRML_MFFLOAT, "planes", "[]"},
    {kFld, VRML_MFFLOAT, "textureSpace", "[]"},
    {kFld, VRML_MFINT32, "regions", "[]"},
    {kFld, VRML_MFINT32, "nodes", "[]"},
    {kFld, VRML_MFINT32, "tree", "[]"},
    {kFld, VRML_MFINT32, "vis", "[]"},
    {kFld, VRML_SFIMAGE, "color", "0 0 0"},
    {kFld, VRML_MFSTRING, "surfaceLights", "[]"},
    // 56 ZEBFolder
    {kFld, VRML_SFSTRING, "name", "\"\""},
    {kFld, VRML_SFINT32, "lastModfied", "0"},
    {kFld, VRML_SFSTRING, "rootDirectory", "\"\""},
    {kFld, VRML_SFSTRING, "settings", "\"\""},
    {kFld, VRML_MFNODE, "children", "[]"},
    // 57 ZEBDocument
    {kFld, VRML_SFSTRING, "src", "\"\""},
    {kFld, VRML_SFSTRING, "dst", "\"\""},
    {kFld, VRML_SFINT32, "lastModified", "0"},
    {kFld, VRML_SFSTRING, "settings", "\"\""},
    // 58 ZEBAvatar
    {kExp, VRML_SFFLOAT, "stepSpeed", "1.0"},
    {kExp, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    {kExp, VRML_SFBOOL, "overridable", "TRUE"},
    {kExp, VRML_SFNODE, "visual", "NULL"},
    {kExp, VRML_SFINT32, "avatarType", "0"},
    // 59 ZEBNetObject
    {kExp, VRML_SFINT32, "avatarType", "0"},
    {kExp, VRML_SFINT32, "id", "-1"},
    {kExp, VRML_SFSTRING, "name", "\"\""},
    {kExp, VRML_SFVEC3F, "pos", "0 0 0"},
    {kExp, VRML_SFROTATION, "orient", "0 1 0 0"},
    {kExp, VRML_SFNODE, "visual", "NULL"},
    {kExp, VRML_SFINT32, "ownerId", "-1"},
    {kExp, VRML_SFBOOL, "isVisible", "TRUE"},
    // 60 ZEBNetAudioClip
    {kFld, VRML_SFINT32, "id", "-1"},
    {kExp, VRML_SFBOOL, "play", "FALSE"},
    {kExp, VRML_SFNODE, "audio", "NULL"},
    // 61 ZEBPointCollider
    {kExp, VRML_SFBOOL, "isActive", "FALSE"},
    {kExp, VRML_SFNODE, "collisionHandler", "NULL"},
    {kExp, VRML_SFVEC3F, "acceleration", "0 0 0"},
    {kExp, VRML_SFVEC3F, "velocity", "0 0 0"},
    {kExp, VRML_SFVEC3F, "position", "0 0 0"},
    {kOut, VRML_SFBOOL, "isColliding", nullptr},
    {kOut, VRML_SFVEC3F, "impactNormal", nullptr},
    {kOut, VRML_SFVEC3F, "impactPosition", nullptr},
    {kOut, VRML_SFTIME, "impactTime", nullptr},
    // 62 ZEBElasticCollider
    {kIn, VRML_MFNODE, "addChildren", nullptr},
    {kIn, VRML_MFNODE, "removeChildren", nullptr},
    {kExp, VRML_SFNODE, "collider", "NULL"},
    {kExp, VRML_SFFLOAT, "elasticity", "1.0"},
    {kExp, VRML_SFBOOL, "synchOrientation", "FALSE"},
    {kExp, VRML_MFNODE, "children", "[]"},
    // 63 ZEBNetSFInt32
    {kFld, VRML_SFINT32, "value", "-1"},
    {kIn, VRML_SFINT32, "toNet", nullptr},
    {kOut, VRML_SFINT32, "fromNet", nullptr},
    // 64 ZEBNetSFVec3f
    {kFld, VRML_SFVEC3F, "value", "0 0 0"},
    {kIn, VRML_SFVEC3F, "toNet", nullptr},
    {kOut, VRML_SFVEC3F, "fromNet", nullptr},
    // 65 ZEBNetSFBool
    {kFld, VRML_SFBOOL, "value", "TRUE"},
    {kIn, VRML_SFBOOL, "toNet", nullptr},
    {kOut, VRML_SFBOOL, "fromNet", nullptr},
    // 66 ZEBNetTrigger
    {kExp, VRML_SFVEC3F, "center", "0 0 0"},
    {kExp, VRML_SFVEC3F, "size", "0 0 0"},
    {kExp, VRML_SFBOOL, "enabled", "TRUE"},
    {kExp, VRML_SFTIME, "regenerationTime", "0"},
    {kExp, VRML_SFBOOL, "isActive", "TRUE"},
    {kOut, VRML_SFNODE, "whoTriggered", nullptr},
    // 67 ZEBNetHealth
    {kExp, VRML_SFINT32, "id", "0"},
    {kExp, VRML_SFINT32, "healthPoints", "25"},
    {kExp, VRML_SFBOOL, "isActive", "TRUE"},
    {kExp, VRML_SFNODE, "visual", "NULL"},
    {kIn, VRML_SFNODE, "whoTriggered", nullptr},
    // 68 ZEBNetTeleporter
    {kExp, VRML_SFINT32, "id", "0"},
    {kExp, VRML_SFBOOL, "isActive", "TRUE"},
    {kExp, VRML_SFNODE, "viewpoint", "NULL"},
    {kExp, VRML_SFNODE, "teleportSound", "NULL"},
    {kExp, VRML_SFVEC3F, "position", "-1 -1 -1"},
    {kIn, VRML_SFNODE, "whoTriggered", nullptr},
    // 69 ZEBNavigator
    {kExp, VRML_SFNODE, "navigationInfo", "NULL"},
    {kExp, VRML_SFBOOL, "allowDeflection", "TRUE"},
    {kExp, VRML_SFBOOL, "isActive", "FALSE"},
    {kExp, VRML_SFNODE, "collisionHandler", "NULL"},
    {kExp, VRML_SFVEC3F, "acceleration", "0 0 0"},
    {kExp, VRML_SFVEC3F, "velocity", "0 0 0"},
    {kExp, VRML_SFVEC3F, "position", "0 0 0"},
    {kOut, VRML_SFBOOL, "isColliding", nullptr},
    {kOut, VRML_SFVEC3F, "impactNormal", nullptr},
    {kOut, VRML_SFVEC3F, "impactPosition", nullptr},
    {kOut, VRML_SFTIME, "impactTime", nullptr},
    // 70 ZEBKeyInput
    {kOut, VRML_SFINT32, "keyDown", nullptr},
    {kOut, VRML_SFINT32, "keyUp", nullptr},
    // 71 ZEBBsp
    {kFld, VRML_MFFLOAT, "planes", "[]"},
    {kFld, VRML_MFINT32, "nodes", "[]"},
    {kFld, VRML_MFINT32, "regions", "[]"},
    {kFld, VRML_MFINT32, "tree", "[]"},
    {kFld, VRML_MFINT32, "vis", "[]"},
    {kFld, VRML_MFNODE, "bspGeometry", "[]"},
    {kExp, VRML_MFINT32, "visGeometry", "[]"},
    // 72 ZEBStatic
    {kExp, VRML_MFNODE, "children", "[]"},
    {kFld, VRML_SFVEC3F, "bboxCenter", "0 0 0"},
    {kFld, VRML_SFVEC3F, "bboxSize", "-1 -1 -1"},
    // 73 ZEBMultiTexture
    {kExp, VRML_SFNODE, "texture1", "NULL"},
    {kExp, VRML_SFNODE, "texture2", "NULL"},
    {kFld, VRML_SFSTRING, "op", "\"\""},
    {kFld, VRML_SFFLOAT, "scale", "1"},
    // 74 ZEBIndex
    {kFld, VRML_MFINT32, "index", "[]"},
    // 75 ZEBIndexedFaceSet
    {kIn, VRML_MFINT32, "set_colorIndex", nullptr},
    {kIn, VRML_MFINT32, "set_coordIndex", nullptr},
    {kIn, VRML_MFINT32, "set_normalIndex", nullptr},
    {kIn, VRML_MFNODE, "set_texCoordIndicies", nullptr},
    {kExp, VRML_SFNODE, "color", "NULL"},
    {kExp, VRML_SFNODE, "coord", "NULL"},
    {kExp, VRML_SFNODE, "normal", "NULL"},
    {kExp, VRML_MFNODE, "texCoords", "[]"},
    {kFld, VRML_SFBOOL, "ccw", "TRUE"},
    {kFld, VRML_MFINT32, "colorIndex", "[]"},
    {kFld, VRML_SFBOOL, "colorPerVertex", "TRUE"},
    {kFld, VRML_SFBOOL, "convex", "TRUE"},
    {kFld, VRML_MFINT32, "coordIndex", "[]"},
    {kFld, VRML_SFFLOAT, "creaseAngle", "0"},
    {kFld, VRML_MFINT32, "normalIndex", "[]"},
    {kFld, VRML_SFBOOL, "normalPerVertex", "TRUE"},
    {kFld, VRML_SFBOOL, "solid", "TRUE"},
    {kFld, VRML_MFNODE, "texCoordIndicies", "[]"},
    // 76 IFSLightingMap
    {kFld, VRML_MFNODE, "applyTo", "[]"},
    {kFld, VRML_MFNODE, "polygonMapping", "[]"},
    {kFld, VRML_SFNODE, "texCoord", "NULL"},
    // 77 ZEBBoolToInt32
    {kExp, VRML_SFINT32, "gateType", "-1"},
    {kIn, VRML_SFBOOL, "boolVal", nullptr},
    {kExp, VRML_SFINT32, "trueVal", "0"},
    {kExp, VRML_SFINT32, "falseVal", "0"},
    // 78 ZEBTextureLight
    {kExp, VRML_SFFLOAT, "intensity", "1"},
    {kExp, VRML_SFFLOAT, "radius", "1"},
    {kExp, VRML_SFCOLOR, "color", "1 1 1"},
    {kExp, VRML_SFVEC3F, "location", "0 0 0"},
    {kExp, VRML_SFVEC3F, "attenuation", "1 0 0"},
    {kExp, VRML_SFBOOL, "on", "TRUE"},
    // 79 ZEBBrowserSettings
    {kExp, VRML_SFBOOL, "showNavBar", "TRUE"},
    {kExp, VRML_SFBOOL, "allowContextMenu", "TRUE"},
    {kExp, VRML_SFBOOL, "allowKeyBoardNav", "TRUE"},
    {kExp, VRML_SFBOOL, "allowMouseNav", "TRUE"},
    {kExp, VRML_SFBOOL, "allowGravity", "TRUE"},
    {kOut, VRML_SFFLOAT, "width", nullptr},
    {kOut, VRML_SFFLOAT, "height", nullptr},
    // 80 ZEBSurface2
    {kFld, VRML_SFINT32, "pe", "-1"},
    {kExp, VRML_SFNODE, "texture", "NULL"},
    {kFld, VRML_SFIMAGE, "filter", "0 0 0"},
    {kFld, VRML_SFINT32, "ts", "-1"},
    {kFld, VRML_SFNODE, "coord", "NULL"},
    {kFld, VRML_MFINT32, "coordIndex", "[]"},
    {kFld, VRML_SFNODE, "texCoord", "NULL"},
    {kFld, VRML_MFINT32, "texCoordIndex", "[]"},
    {kFld, VRML_MFFLOAT, "offset", "[]"},
    {kFld, VRML_SFINT32, "side", "0"},
    {kFld, VRML_SFINT32, "surfaceLight", "-1"},
    {kFld, VRML_MFINT32, "light", "[]"},
};

constexpr node_row kNodes[VRML_BUILTIN_COUNT] = {
    {"Anchor", 8},
    {"Appearance", 3},
    {"AudioClip", 8},
    {"Background", 12},
    {"Billboard", 6},
    {"Box", 1},
    {"Collision", 8},
    {"Color", 1},
    {"ColorInterpolator", 4},
    {"Cone", 4},
    {"Coordinate", 4},
    {"CoordinateInterpolator", 4},
    {"Cylinder", 5},
    {"CylinderSensor", 9},
    {"DirectionalLight", 5},
    {"ElevationGrid", 14},
    {"Extrusion", 14},
    {"Fog", 5},
    {"FontStyle", 9},
    {"Group", 5},
    {"ImageTexture", 4},
    {"IndexedFaceSet", 18},
    {"IndexedLineSet", 7},
    {"Inline", 3},
    {"LOD", 3},
    {"Material", 6},
    {"MovieTexture", 9},
    {"NavigationInfo", 7},
    {"Normal", 1},
    {"NormalInterpolator", 4},
    {"OrientationInterpolator", 4},
    {"PixelTexture", 3},
    {"PlaneSensor", 8},
    {"PointLight", 7},
    {"PointSet", 2},
    {"PositionInterpolator", 4},
    {"ProximitySensor", 8},
    {"ScalarInterpolator", 4},
    {"Script", 3},
    {"Shape", 2},
    {"Sound", 10},
    {"Sphere", 1},
    {"SphereSensor", 6},
    {"SpotLight", 10},
    {"Switch", 2},
    {"Text", 4},
    {"TextureCoordinate", 1},
    {"TextureTransform", 4},
    {"TimeSensor", 9},
    {"TouchSensor", 7},
    {"Transform", 10},
    {"Viewpoint", 8},
    {"VisibilitySensor", 6},
    {"WorldInfo", 2},
    {"ZEBSurface", 12},
    {"ZEBTree", 9},
    {"ZEBFolder", 5},
    {"ZEBDocument", 4},
    {"ZEBAvatar", 5},
    {"ZEBNetObject", 8},
    {"ZEBNetAudioClip", 3},
    {"ZEBPointCollider", 9},
    {"ZEBElasticCollider", 6},
    {"ZEBNetSFInt32", 3},
    {"ZEBNetSFVec3f", 3},
    {"ZEBNetSFBool", 3},
    {"ZEBNetTrigger", 6},
    {"ZEBNetHealth", 5},
    {"ZEBNetTeleporter", 6},
    {"ZEBNavigator", 11},
    {"ZEBKeyInput", 2},
    {"ZEBBsp", 7},
    {"ZEBStatic", 3},
    {"ZEBMultiTexture", 4},
    {"ZEBIndex", 1},
    {"ZEBIndexedFaceSet", 18},
    {"IFSLightingMap", 3},
    {"ZEBBoolToInt32", 4},
    {"ZEBTextureLight", 6},
    {"ZEBBrowserSettings", 7},
    {"ZEBSurface2", 12},
};

constexpr int kMemberCount = static_cast<int>(sizeof kMembers / sizeof kMembers[0]);

// Index of each type's first member row.
constexpr auto kFirst = [] {
    std::array<int16_t, VRML_BUILTIN_COUNT + 1> first{};
    for (int id = 0; id < VRML_BUILTIN_COUNT; ++id)
        first[id + 1] = static_cast<int16_t>(first[id] + kNodes[id].count);
    return first;
}();
static_assert(kFirst[VRML_BUILTIN_COUNT] == kMemberCount, "every member row belongs to a type");

constexpr bool named(int id, const char *name) {
    const char *a = kNodes[id].name;
    while (*a && *a == *name) ++a, ++name;
    return *a == *name;
}
static_assert(named(kVrmlBackground, "Background") && named(kVrmlFog, "Fog") &&
              named(kVrmlImageTexture, "ImageTexture") &&
              named(kVrmlNavigationInfo, "NavigationInfo") &&
              named(kVrmlProximitySensor, "ProximitySensor") && named(kVrmlScript, "Script") &&
              named(kVrmlTimeSensor, "TimeSensor") && named(kVrmlViewpoint, "Viewpoint") &&
              named(kVrmlZEBAvatar, "ZEBAvatar") && named(kVrmlZEBNetObject, "ZEBNetObject") &&
              named(kVrmlZEBNetSFInt32, "ZEBNetSFInt32") &&
              named(kVrmlZEBNetSFVec3f, "ZEBNetSFVec3f") &&
              named(kVrmlZEBNetSFBool, "ZEBNetSFBool") &&
              named(kVrmlZEBNetTrigger, "ZEBNetTrigger"),
              "the special built-in ids name their rows");

struct builtin_records {
    vrml_fieldtemplate members[kMemberCount];
    vrml_nodetemplate templates[VRML_BUILTIN_COUNT];
};

// The process-wide records, made on first use. Until the defaults are
// parsed, a member's default word holds its text.
builtin_records &records() {
    static builtin_records *made = [] {
        static builtin_records r;
        for (int i = 0; i < kMemberCount; ++i) {
            const member_row &row = kMembers[i];
            r.members[i].memberclass = row.memberclass;
            r.members[i].type = row.type;
            r.members[i].name = const_cast<char *>(row.name);
            r.members[i].defaultvalue = reinterpret_cast<vrml_field *>(const_cast<char *>(row.text));
        }
        for (int id = 0; id < VRML_BUILTIN_COUNT; ++id) {
            r.templates[id].name = const_cast<char *>(kNodes[id].name);
            r.templates[id].membercount = kNodes[id].count;
            r.templates[id].members = &r.members[kFirst[id]];
        }
        return &r;
    }();
    return *made;
}

// The one-time parse of the defaults: kTexts until a parse has been
// published, kPublishing while the winner of the race stores its values in
// the default words (nothing there can fail), kParsed from then on.
enum parse_state { kTexts, kPublishing, kParsed };
std::atomic<int> g_parse_state{kTexts};

bool has_value(int memberclass) {
    return memberclass == VRML_EXPOSEDFIELD || memberclass == VRML_FIELD;
}

[[noreturn]] void out_of_memory() { vrml_fatal_err("vrml_parsebuiltinfields: No mem\n"); }

// Reads every default text into values[] (null for members without a
// value), with ctx's input switched to a string stream meanwhile. No lock is
// held: the fatal exit may leave from here.
void parse_defaults(vrml_context *ctx, vrml_field **values) {
    vrml_stream text{};
    if (zeb_initstringstream(&text, nullptr, 0) < 0) out_of_memory();
    vrml_stream *saved = ctx->in;
    ctx->in = &text;
    for (int i = 0; i < kMemberCount; ++i) {
        const member_row &row = kMembers[i];
        if (!has_value(row.memberclass)) continue;
        zeb_setstringstream(&text, row.text, static_cast<int>(std::strlen(row.text)));
        vrml_field *value = vrml_allocfield(row.type);
        if (!value) {
            text.stream_close(&text);
            ctx->in = saved;
            out_of_memory();
        }
        vrml_parsefield[row.type](ctx, value);
        values[i] = value;
    }
    text.stream_close(&text);
    ctx->in = saved;
}

}  // namespace

vrml_nodetemplate *vrml_builtintemplates() { return records().templates; }

extern "C" {

ZEBVRML2_API int vrml_addbuiltinnodes(vrml_templatetable *table) {
    vrml_nodetemplate *builtin = vrml_builtintemplates();
    for (int id = 0; id < VRML_BUILTIN_COUNT; ++id)
        if (vrml_addtemplate(table, &builtin[id]) < 0) return 0;
    return 1;
}

// Threads may race to the first parse: each parses into values of its own
// without any lock (the fatal exit may leave the parse, and a held lock
// would hang every later load), one publishes them, the others release
// theirs and wait the few stores of the publication out.
ZEBVRML2_API int vrml_parsebuiltinfields(vrml_context *ctx) {
    if (g_parse_state.load(std::memory_order_acquire) == kParsed) return 1;
    builtin_records &r = records();
    // The readers read ctx->in; a host may pass no context at all.
    vrml_context bare{};
    bare.protoindex = -1;
    if (!ctx) ctx = &bare;
    auto *values = static_cast<vrml_field **>(vrml_heap_calloc(kMemberCount, sizeof(vrml_field *)));
    if (!values) out_of_memory();
    parse_defaults(ctx, values);
    int expected = kTexts;
    if (g_parse_state.compare_exchange_strong(expected, kPublishing, std::memory_order_acq_rel)) {
        for (int i = 0; i < kMemberCount; ++i)
            if (has_value(kMembers[i].memberclass)) r.members[i].defaultvalue = values[i];
        g_parse_state.store(kParsed, std::memory_order_release);
    } else {
        for (int i = 0; i < kMemberCount; ++i)
            if (values[i]) vrml_freefielddata[kMembers[i].type](values[i]);
        while (g_parse_state.load(std::memory_order_acquire) != kParsed) std::this_thread::yield();
    }
    std::free(values);
    return 1;
}

ZEBVRML2_API int vrml_deletebuiltinfields(vrml_context *ctx) {
    if (!ctx || g_parse_state.load(std::memory_order_acquire) != kParsed) return 1;
    for (vrml_fieldtemplate &m : records().members)
        if (has_value(m.memberclass) && m.defaultvalue) vrml_freefielddata[m.type](m.defaultvalue);
    return 1;
}

}  // extern "C"
