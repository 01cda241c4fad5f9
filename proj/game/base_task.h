// The common base of the game's tasks: an engine task that also keeps the
// two services every game task needs, the game manager and the game control.
#pragma once

#include <string>

#include "qzware/scene/qz_task.h"

namespace QZW {
class IQzGameManager;
}

namespace Sample {

class IGameControl;

class CBaseTask : public QZW::CQzTask {
public:
    CBaseTask(const std::string& name, QZW::IQzGameManager* gameManager, IGameControl* gameControl)
        : QZW::CQzTask(name), gameManager(gameManager), gameControl(gameControl) {}
    ~CBaseTask() override = default;

    QZW::IQzGameManager* gameManager;
    IGameControl* gameControl;
};

}  // namespace Sample
