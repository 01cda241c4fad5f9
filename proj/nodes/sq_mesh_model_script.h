// The "CSqMeshModel" script class (derived from "CSqNode") with the value
// classes its ground queries return: "SqBoundBox", "QzHitMeshInfo" and
// "SqHitMeshInfo".
#pragma once

#include <squirrel.h>

namespace Sample::SqNodes {

void RegisterSqMeshModel(HSQUIRRELVM v);

}  // namespace Sample::SqNodes
