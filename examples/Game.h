// The game layer of the demo: the scene tour (the 32-bit garden and the
// 8-bit night garden), the player fox that input moves, sound effects and
// music, and the text overlay. main.cpp runs it as one module.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Components.h"
#include "Demo.h"
#include "SpriteSheet.h"
#include "input/DXInput.h"
#include "music/DXMusic.h"
#include "sound/DX7Sound.h"

namespace demo {

// Flags of the game layer. GameOption consumes argv[i] (and its value) when
// it is one of them and returns true.
//   --scene garden|palette|tour   which scenes run (default tour: garden,
//                                 night garden, garden again)
//   --wav FILE                    render the run's audio into FILE (the
//                                 audio output then runs offline: silent)
//   --fps N                       frame pace for TimeStopper (default 60)
bool GameOption(int argc, char** argv, int& i);
const char* GameUsage();
// The same flags for --help, a line each.
const char* GameHelp();
// The file --wav names ("" without it), checked before the run.
const std::string& GameWavFile();

// The game as one module; `totalFrames` -1 runs until the window closes,
// `png` names the last frame's file (each scene's own picture is saved
// beside it as <name>-<scene>.png).
std::unique_ptr<Module> MakeGame(int totalFrames, const std::string& png);

// --- Parts shared by the game's files --------------------------------------------

// What the input gave this frame.
struct Controls {
    int dx = 0;             // -1 left, 1 right
    int dy = 0;             // -1 up, 1 down
    bool jump = false;      // went down this frame
    bool nextScene = false;  // Tab went down this frame
    bool quit = false;      // Escape
    bool toggleMusic = false;  // M went down this frame
    std::string lastKey;    // name of the last key pressed (" LEFT", ...)
};

// Keyboard and joystick through DXInput; headless, a script of virtual key
// presses and a virtual joystick drive it.
class InputControl {
public:
    InputControl();
    ~InputControl();
    bool Start(vexo::HWND hwnd, bool scripted);
    // Reads one snapshot; `sceneFrame` drives the script.
    Controls Frame(int sceneFrame, int sceneFrames);
    void Stop();
    int Joysticks() const { return joysticks_; }

private:
    void Script(int f, int n);

    vexo::DXInput& input_ = Input();
    bool scripted_ = false;
    int joysticks_ = 0;
    int virtualStick_ = -1;
    bool buttonWas_ = false;
    uint8_t prev_[256] = {};
    std::string lastKey_;
};

// Sound-effect slots.
enum Sfx : int32_t { kSfxJump = 0, kSfxChime = 1, kSfxThud = 2, kSfxWind = 3 };

class SoundEffects {
public:
    bool Start(vexo::HWND hwnd, const std::string& dir);
    // `x` is where on the 640-pixel screen the sound comes from.
    void Play(int32_t slot, int x = 320);
    void Ambience(bool on);
    void Stop();

private:
    vexo::DX7Sound& sound_ = Sound();
    bool ready_ = false;
    bool windOn_ = false;
};

// The two pieces of music, one per slot.
enum Tune : int32_t { kTuneGarden = 0, kTuneNight = 1 };

class MusicBox {
public:
    bool Start(const std::string& dir);
    // Switches to `tune`: stops the one started last; `resume` continues
    // where that tune was stopped.
    void Play(int32_t tune, bool resume);
    void Pause();
    int32_t Seek(int32_t tune);
    void Stop();
    bool Playing() const { return playing_; }

private:
    vexo::DXMusic& music_ = Music();
    bool ready_ = false;
    bool playing_ = false;
    bool played_[2] = {false, false};
};

// The demo's second sprite sheet (black background, so it serves the keyed
// blits, the mirror blit's key 0 and the half-blend blit's key alike).
namespace extra {
inline constexpr int kW = 256;
inline constexpr int kH = 96;
inline Cell Fox(int frame) { return {(frame & 1) * 32, 0, 32, 32}; }
inline Cell Bat(int frame) { return {64 + (frame & 1) * 32, 0, 32, 32}; }
inline constexpr Cell kGem{128, 0, 32, 32};
inline constexpr Cell kLantern{160, 0, 32, 32};
inline constexpr Cell kMoon{192, 0, 64, 64};
inline constexpr Cell kGhost{0, 32, 64, 64};
inline constexpr Cell kMist{64, 32, 128, 32};
inline constexpr Cell kTree{64, 64, 64, 32};
inline constexpr Cell kStone{128, 64, 32, 32};
inline constexpr Cell kGrass{160, 64, 32, 32};
}  // namespace extra
bool WriteExtraSheet(const std::string& path);

// The player: a fox that runs and jumps; facing left it is drawn mirrored
// with DDBitBltFX.
struct Fox {
    double x = 80, y = 0, vy = 0;
    bool facingLeft = false;
    bool onGround = true;
    int step = 0;
    int groundY = 352;
    // Moves by the controls; returns the events of this frame.
    struct Events {
        bool jumped = false;
        bool landed = false;
    };
    Events Update(const Controls& c, int width);
};

// The text overlay: scene name, frame rate (FPSCheck), last key, score.
struct HudInfo {
    std::string scene;
    std::string lastKey;
    float fps = 0;
    int score = 0;
    int joysticks = 0;
    bool music = false;
};
void DrawHud(Context& ctx, const HudInfo& info, vexo::HGDIOBJ font, int32_t color, int32_t shadow);

// The 8-bit night garden: default palette, half-blend table kept in a file,
// half-transparent ghost and mist, a bat partly off screen.
class PaletteScene {
public:
    bool Start(Context& ctx, const std::string& extraSheet);
    void Frame(Context& ctx, int f);
    void Stop();
    vexo::Ref<vexo::DirectDrawSurface7>& Sheet() { return sheet_; }
    vexo::Ref<vexo::DirectDrawPalette>& Palette() { return palette_; }

private:
    vexo::Ref<vexo::DirectDrawSurface7> sheet_;
    vexo::Ref<vexo::DirectDrawPalette> palette_;
};

}  // namespace demo
