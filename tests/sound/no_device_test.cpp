// A sound device that cannot be opened: the output runs silent and says so in
// one line of its own; what libasound prints about the failure stays quiet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/audio/AudioOutput.h"

namespace vexo {
namespace {

TEST(NoAudioDevice, OneLineOfOursInsteadOfTheLibrarysOwn) {
    ASSERT_NE(std::getenv("AUDIODEV"), nullptr) << "run through CTest, which names an ALSA device that is not there";
    testing::internal::CaptureStderr();
    const auto mode = audio::AudioOutput::Get().CurrentMode();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(mode, audio::AudioOutput::Mode::Silent);
    EXPECT_EQ(said.find("ALSA lib"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(said.rfind("vexo: no sound device (", 0), 0u) << said;
}

}  // namespace
}  // namespace vexo
