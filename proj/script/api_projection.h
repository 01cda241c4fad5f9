// The projection state of the script API: the four matrices the projection
// functions use, recomputed from draw layer 6 after every camera change.
// Game thread only.
#pragma once

#include "proj/script/projection_math.h"

namespace Sample {

// Recomputes the matrices from layer 6 of the game draw task (nothing
// without one).
void UpdateProjectionMatrices();
const ProjectionMatrices& GetProjectionMatrices();
// Back to identity, as before any camera call (a new script VM, tests).
void ResetProjectionMatrices();
// Layer 6's viewport, view and projection matrices and eye; the identity
// camera without the game draw task.
ProjectionCamera FieldLayerCamera();

}  // namespace Sample
