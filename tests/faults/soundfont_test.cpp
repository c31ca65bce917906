// The sound font taken away between DMSetup and DMPlay, and put back. The
// font is loaded once per process, when music first plays, so this runs in
// its own program with a copy of the installed font.
#include <gtest/gtest.h>

#include <filesystem>

#include "music/DXMusic.h"
#include "platform/music/Synth.h"
#include "tests/music/MusicRealSupport.h"

namespace vexo {
namespace {

namespace fs = std::filesystem;

TEST(SoundFontFaults, PlayFailsWhileTheFontIsGoneAndWorksOnceItIsBack) {
    const std::string installed = plat::music::SoundFontPath();
    ASSERT_FALSE(installed.empty()) << "a General MIDI font is installed";
    test::TempDir dir;
    const std::string font = dir.File("gm.sf2");
    fs::copy_file(installed, font);
    ::setenv("VEXO_SOUNDFONT", font.c_str(), 1);

    test::CaptureMixer mixer;
    plat::music::InstallMixer(&mixer);
    test::RealMusicPlatform platform;
    ScopedPlatform scoped{platform};
    midi::MidiWriter w;
    const int t = w.AddTrack();
    w.Program(t, 0, 0, 19);
    w.Note(t, 0, 4 * 480, 0, 60, 110);
    const std::string song = dir.File("s.mid");
    ASSERT_TRUE(w.Save(song));

    DXMusic m;
    int32_t slot = 0;
    ASSERT_EQ(m.DMSetup(), 0);
    ASSERT_EQ(m.DMCreateSegment(slot, song), 0);

    fs::remove(font);
    EXPECT_EQ(m.DMPlay(slot), status::DMUS_E_SYNTHNOTCONFIGURED) << "font removed";
    test::WriteFile(font, test::Bytes(4096, 0x5A));
    EXPECT_EQ(m.DMPlay(slot), status::DMUS_E_SYNTHNOTCONFIGURED) << "font unreadable";
    EXPECT_EQ(m.DMStop(slot), 0);

    // Back in place: the next set-up plays, and is heard.
    fs::copy_file(installed, font, fs::copy_options::overwrite_existing);
    ASSERT_EQ(m.DMSetup(), 0);
    ASSERT_EQ(m.DMCreateSegment(slot, song), 0);
    ASSERT_EQ(m.DMPlay(slot), 0);
    EXPECT_GT(test::Rms(test::Render(m.Performances[0], 0.5), 0.1, 0.5), 0.005);

    m.DMClose();
    plat::music::InstallMixer(nullptr);
    ::unsetenv("VEXO_SOUNDFONT");
}

}  // namespace
}  // namespace vexo
