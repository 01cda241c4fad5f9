// Achievements through the platform services object: one static instance of
// the program. Without started platform services both calls do nothing.
#pragma once

#include "qzware/scene/iqz_archievement.h"

namespace QZW::Win {

class CQzAchievementWin final : public IQzArchievement {
public:
    static CQzAchievementWin& GetInstance();

    // Unlocks the index-th achievement unless it is achieved already.
    void Unlock(std::uint32_t index) override;
    // Every statistic and achievement of the user back to its start.
    void ResetAll() override;
};

}  // namespace QZW::Win
