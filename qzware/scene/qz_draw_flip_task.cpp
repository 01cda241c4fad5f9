// Present task (see the header).
#include "qzware/scene/qz_draw_flip_task.h"

#include "qzware/scene/iqz_graphics.h"

namespace QZW {

void CQzDrawFlipTask::Update() {
    if (graphics != nullptr) {
        graphics->Flush();
        graphics->Present();
    }
}

}  // namespace QZW
