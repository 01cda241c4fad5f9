#include "proj/nodes/sq_hit_mesh_info.h"

namespace QZW {

Vector3 BoundBox::GetMin() const {
    return Vector3(pos.x - size.x * 0.5f, pos.y - size.y * 0.5f, pos.z - size.z * 0.5f);
}

Vector3 BoundBox::GetMax() const {
    return Vector3(pos.x + size.x * 0.5f, pos.y + size.y * 0.5f, pos.z + size.z * 0.5f);
}

}  // namespace QZW
