// An instance built without a host callback: every host call falls back.
#include <gtest/gtest.h>

#include <memory>

#include "shell/tamboro.h"

namespace {

TEST(NullHost, EveryHostCallFallsBack) {
    std::unique_ptr<Tamboro> effect(static_cast<Tamboro*>(createEffectInstance(nullptr)));
    ASSERT_TRUE(effect);
    EXPECT_EQ(effect->updateSampleRate(), 44100.0f);
    EXPECT_EQ(effect->getTimeInfo(kVstPpqPosValid | kVstTempoValid), nullptr);
    VstEvents events{};
    EXPECT_FALSE(effect->sendVstEventsToHost(&events));
    EXPECT_FALSE(effect->beginEdit(0));
    EXPECT_FALSE(effect->endEdit(0));
    effect->masterIdle();
    effect->setParameterAutomated(0, 0.25f);
    EXPECT_EQ(effect->getParameter(0), 0.25f);
}

}  // namespace
