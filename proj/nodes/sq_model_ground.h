// The ground and hit queries of a script model over its parts: which part's
// surface lies under a point, how high it is and of which material. The
// material "h_norimono" (a platform one rides on) can be the top surface but
// is never taken as ground. The per-mesh tests belong to the engine mesh.
#pragma once

#include <vector>

#include "proj/nodes/sq_hit_mesh_info.h"
#include "proj/nodes/sq_model_part.h"

namespace QZW {

// The height from the first part (in part order) whose triangles lie under
// (x, z); -500 when none does. The collision flag is not consulted.
float SqModelGroundHight(const std::vector<SqModelPart>& parts, float x, float y, float z);

// Highest surface under the probe among the collision-active parts; heights
// at or below -100 are never chosen. The hit mesh's axis, centre and bound
// box come from the highest hit of any material.
SqHitMeshInfo SqModelGroundInfo(const std::vector<SqModelPart>& parts, float x, float y, float z);

// Smallest hit value below 100 along z over (x, y) among all parts.
SqHitMeshInfo SqModelGroundInfoXY(const std::vector<SqModelPart>& parts, float x, float y, float z);

}  // namespace QZW
