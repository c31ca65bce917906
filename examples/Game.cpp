// The game layer: a tour of two scenes on one window. The garden runs on a
// 32-bit desktop; the night garden on an 8-bit one, fading in from black and
// out to black through its palette. Between them the display is closed and
// opened again in the other depth, the music switches tunes (resuming the
// one it comes back to), and the player fox keeps its place.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Game.h"
#include "common/Platform.h"
#include "platform/audio/AudioOutput.h"
#include "platform/audio/AudioTools.h"
#include "platform/display/Display.h"
#include "platform/display/text/Text.h"

namespace demo {

namespace {
using vexo::RGB;
using vexo::VB_FALSE;
using vexo::VB_TRUE;

struct GameOptions {
    std::string scene = "tour";
    std::string wav;
    int fps = 60;
};
GameOptions& Opts() {
    static GameOptions o;
    return o;
}

enum class SceneId { Garden, Night };
const char* SceneName(SceneId s) { return s == SceneId::Garden ? "garden" : "palette"; }
int32_t TuneOf(SceneId s) { return s == SceneId::Garden ? kTuneGarden : kTuneNight; }

// foo.png -> foo-garden.png
std::string ScenePng(const std::string& png, const char* scene) {
    const size_t dot = png.rfind('.');
    const size_t slash = png.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot))
        return png + "-" + scene + ".png";
    return png.substr(0, dot) + "-" + scene + png.substr(dot);
}

constexpr uint8_t kVkEscape = 27;
constexpr int kFadeStepMs = 3;  // 256 steps: a fade of about 0.8 s

struct Gem {
    int x;
    int away = 0;  // frames until it comes back after being picked up
};

class Game final : public Module {
public:
    Game(int totalFrames, std::string png) : total_(totalFrames), png_(std::move(png)) {}
    const char* Name() const override { return "game"; }

    bool Start(Context& ctx) override {
        scripted_ = vexo::plat::BackendName() == "headless";
        if (!Opts().wav.empty()) {
            // From here on only this program's renders advance the sound.
            vexo::audio::AudioOutput::Get().RenderOffline(nullptr, 0);
            wavOn_ = true;
            audioTick_ = vexo::api::GetTickCount();
        }
        extraPath_ = ctx.assetDir + "/night-sprites.bmp";
        if (!WriteExtraSheet(extraPath_)) {
            std::fprintf(stderr, "cannot write %s\n", extraPath_.c_str());
            return false;
        }
        if (!input_.Start(ctx.window, scripted_)) return false;
        sound_.Start(ctx.window, ctx.assetDir);
        music_.Start(ctx.assetDir);
        font_ = vexo::plat::CreateFont(-15, 700);
        if (Opts().scene == "garden") {
            tour_ = {SceneId::Garden};
        } else if (Opts().scene == "palette") {
            tour_ = {SceneId::Night};
        } else {
            tour_ = {SceneId::Garden, SceneId::Night, SceneId::Garden};
        }
        garden_ = MakeGardenScene();
        for (int x : {64, 96, 236, 320, 400, 520, 580}) gems_.push_back({x});
        fox_.y = fox_.groundY;
        return Enter(ctx, tour_[0]);
    }

    void Frame(Context& ctx) override {
        Pace(ctx);
        if (fadeIn_) {
            // The first picture of the night is on the screen, still black.
            fadeIn_ = false;
            const int32_t rc = ctx.draw.FeedDarkIn(kFadeStepMs, VB_FALSE);
            std::printf("night: faded in (%d)\n", rc);
        }
        if (sceneFrames_ > 0 && sceneFrame_ >= sceneFrames_ && stage_ + 1 < tour_.size()) {
            if (!Switch(ctx, tour_[++stage_])) return;
        }
        Controls c = input_.Frame(sceneFrame_, sceneFrames_ > 0 ? sceneFrames_ : 600);
        if (c.quit) ctx.quit = true;
        if (c.toggleMusic) {
            if (music_.Playing())
                music_.Pause();
            else
                music_.Play(TuneOf(current_), true);
        }
        if (c.nextScene && !Switch(ctx, current_ == SceneId::Garden ? SceneId::Night : SceneId::Garden)) return;

        const Fox::Events ev = fox_.Update(c, ctx.width);
        const int fx = static_cast<int>(fox_.x);
        if (ev.jumped) sound_.Play(kSfxJump, fx);
        if (ev.landed) sound_.Play(kSfxThud, fx);
        for (Gem& g : gems_) {
            if (g.away > 0) {
                --g.away;
                continue;
            }
            if (std::abs(fx - g.x) < 18 && fox_.y > fox_.groundY - 20) {
                ++score_;
                g.away = 300;
                sound_.Play(kSfxChime, g.x);
            }
        }

        vexo::Ref<vexo::DirectDrawSurface7>* sheet = &sheet32_;
        HudInfo hud;
        int32_t ink = RGB(255, 255, 255), shade = RGB(20, 24, 40);
        if (current_ == SceneId::Garden) {
            garden_->Frame(ctx);
            hud.scene = "Garden (32-bit)";
        } else {
            night_.Frame(ctx, sceneFrame_);
            sheet = &night_.Sheet();
            hud.scene = "Night garden (8-bit)";
            ink = RGB(255, 255, 170);
            shade = RGB(0, 0, 85);
        }
        DrawActors(ctx, *sheet);
        const float rate = ctx.draw.FPSCheck();  // 0 except every 30th call
        if (rate > 0) fps_ = rate;
        hud.fps = fps_;
        hud.lastKey = c.lastKey;
        hud.score = score_;
        hud.joysticks = input_.Joysticks();
        hud.music = music_.Playing();
        DrawHud(ctx, hud, font_, ink, shade);
        RenderAudio();
        ++sceneFrame_;
    }

    void Stop(Context& ctx) override {
        if (current_ == SceneId::Night && !ctx.back.IsNothing()) {
            sound_.Ambience(false);
            ctx.draw.FeedDarkOut(kFadeStepMs, VB_FALSE);
        }
        RenderAudio();
        music_.Stop();
        sound_.Stop();
        input_.Stop();
        if (wavOn_) {
            const int32_t rate = vexo::audio::AudioOutput::Get().SampleRate();
            const int64_t frames = static_cast<int64_t>(wav_.size() / 2);
            if (vexo::audio::WriteStereoWav(Opts().wav, wav_.data(), frames, rate))
                std::printf("audio: %.2f s written to %s\n", double(frames) / rate, Opts().wav.c_str());
            else
                std::fprintf(stderr, "audio: cannot write %s\n", Opts().wav.c_str());
        }
        if (font_) vexo::api::DeleteObject(font_);
        font_ = 0;
        sheet32_ = nullptr;
        night_.Stop();
        if (garden_) garden_->Stop(ctx);
        std::printf("score: %d gems\n", score_);
    }

private:
    bool OpenDisplay(Context& ctx, int32_t bpp) {
        ctx.back = nullptr;
        ctx.draw.DDClose();
        vexo::plat::SetDesktop(1024, 768, bpp);
        ctx.back = ctx.draw.DDSetup(ctx.window, ctx.width, ctx.height, vexo::NORMALSCREEN);
        displayBpp_ = bpp;
        if (ctx.back.IsNothing()) std::fprintf(stderr, "cannot open a %d-bit display\n", bpp);
        return !ctx.back.IsNothing();
    }

    bool Enter(Context& ctx, SceneId s) {
        const int32_t bpp = s == SceneId::Night ? 8 : 32;
        if (bpp != displayBpp_ && !OpenDisplay(ctx, bpp)) return false;
        const int32_t tune = TuneOf(s);
        const int32_t seek = music_.Seek(tune);
        if (s == SceneId::Garden) {
            if (!garden_->Start(ctx)) return false;
            sheet32_ = ctx.draw.DDCreateSurfaceFromFile(extraPath_);
            if (sheet32_.IsNothing()) {
                std::fprintf(stderr, "cannot load %s\n", extraPath_.c_str());
                return false;
            }
        } else {
            if (!night_.Start(ctx, extraPath_)) return false;
            // Black at once; the first frame then fades in.
            ctx.draw.FeedDarkOut(0, VB_FALSE);
            fadeIn_ = true;
            sound_.Ambience(true);
        }
        music_.Play(tune, true);
        if (seek >= 0) std::printf("music: tune %d resumes at music time %d\n", tune, seek);
        current_ = s;
        fox_.x = 40;  // each scene is entered from the left, its gems all there
        for (Gem& g : gems_) g.away = 0;
        sceneFrame_ = 0;
        sceneFrames_ = -1;
        if (total_ > 0) {
            const int n = static_cast<int>(tour_.size());
            sceneFrames_ = total_ / n + (stage_ + 1 == tour_.size() ? total_ % n : 0);
        }
        std::printf("scene: %s\n", SceneName(s));
        return true;
    }

    void Leave(Context& ctx) {
        std::printf("scene %s: fox at x %d, %d gems so far\n", SceneName(current_), static_cast<int>(fox_.x), score_);
        // A scripted tour keeps a picture of each scene it leaves.
        if (total_ > 0) {
            const std::string shot = ScenePng(png_, SceneName(current_));
            if (vexo::plat::SaveWindowPng(ctx.window, shot))
                std::printf("scene %s saved to %s\n", SceneName(current_), shot.c_str());
        }
        if (current_ == SceneId::Night) {
            sound_.Ambience(false);
            const int32_t rc = ctx.draw.FeedDarkOut(kFadeStepMs, VB_FALSE);
            std::printf("night: faded out (%d)\n", rc);
            night_.Stop();
        } else {
            sheet32_ = nullptr;
            garden_->Stop(ctx);
        }
    }

    bool Switch(Context& ctx, SceneId next) {
        Leave(ctx);
        if (Enter(ctx, next)) return true;
        ctx.quit = true;
        return false;
    }

    void DrawActors(Context& ctx, vexo::Ref<vexo::DirectDrawSurface7>& sheet) {
        for (const Gem& g : gems_)
            if (g.away == 0)
                ctx.draw.DDBltFast(sheet, ctx.back, extra::kGem.x, extra::kGem.y, 32, 32, g.x, fox_.groundY, VB_TRUE);
        const Cell c = extra::Fox(fox_.step / 4);
        const int x = static_cast<int>(fox_.x), y = static_cast<int>(fox_.y);
        if (fox_.facingLeft) {
            // The sheet's fox looks right; the mirror blit turns it round
            // (value-0 pixels, the black background, stay out).
            ctx.draw.DDBitBltFX(sheet, ctx.back, c.x, c.y, c.w, c.h, c.w, c.h, x, y, vexo::MIRROR_LEFTRIGHT);
        } else {
            ctx.draw.DDBltFast(sheet, ctx.back, c.x, c.y, c.w, c.h, x, y, VB_TRUE);
        }
    }

    // Keeps frames at least 1/fps apart, on top of the display's own pacing
    // (which a run without vertical-blank waits lacks).
    void Pace(Context& ctx) {
        const uint32_t now = vexo::api::GetTickCount();
        if (lastTick_ != 0) {
            const int32_t budget = 1000 / Opts().fps;
            const int32_t spent = static_cast<int32_t>(now - lastTick_);
            if (spent >= 0 && spent < budget) {
                try {
                    ctx.draw.TimeStopper(budget - spent, VB_TRUE, kVkEscape);
                } catch (const vexo::VbError&) {
                    // The tick counter wrapped during the wait: skip it.
                }
            }
        }
        lastTick_ = vexo::api::GetTickCount();
    }

    void RenderAudio() {
        if (!wavOn_) return;
        const uint32_t now = vexo::api::GetTickCount();
        int64_t ms = static_cast<int32_t>(now - audioTick_);
        audioTick_ = now;
        if (ms <= 0) return;
        if (ms > 2000) ms = 2000;
        auto& out = vexo::audio::AudioOutput::Get();
        const int32_t frames = static_cast<int32_t>(ms * out.SampleRate() / 1000);
        const size_t at = wav_.size();
        wav_.resize(at + static_cast<size_t>(frames) * 2);
        out.RenderOffline(wav_.data() + at, frames);
    }

    int total_;
    std::string png_;
    bool scripted_ = false;
    std::vector<SceneId> tour_;
    size_t stage_ = 0;
    SceneId current_ = SceneId::Garden;
    int sceneFrame_ = 0;
    int sceneFrames_ = -1;
    int32_t displayBpp_ = 32;
    bool fadeIn_ = false;

    InputControl input_;
    SoundEffects sound_;
    MusicBox music_;
    std::unique_ptr<Module> garden_;
    PaletteScene night_;
    vexo::Ref<vexo::DirectDrawSurface7> sheet32_;
    std::string extraPath_;

    Fox fox_;
    std::vector<Gem> gems_;
    int score_ = 0;
    float fps_ = 0;
    uint32_t lastTick_ = 0;
    vexo::HGDIOBJ font_ = 0;

    bool wavOn_ = false;
    uint32_t audioTick_ = 0;
    std::vector<float> wav_;
};
}  // namespace

Fox::Events Fox::Update(const Controls& c, int width) {
    Events ev;
    if (c.dx != 0) {
        x += c.dx * 4;
        facingLeft = c.dx < 0;
        ++step;
    }
    if (x < 0) x = 0;
    if (x > width - 32) x = width - 32;
    if (c.jump) {
        if (onGround) {
            vy = -10;
            onGround = false;
            ev.jumped = true;
        } else if (vy > -6) {
            vy = -7;  // a flap in the air
            ev.jumped = true;
        }
    }
    if (!onGround) {
        vy += 0.7;
        y += vy;
        if (y >= groundY) {
            y = groundY;
            vy = 0;
            onGround = true;
            ev.landed = true;
        }
    }
    return ev;
}

bool GameOption(int argc, char** argv, int& i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return false;
    const std::string v = argv[i + 1];
    if (a == "--scene" && (v == "garden" || v == "palette" || v == "tour")) {
        Opts().scene = v;
    } else if (a == "--wav" && !v.empty()) {
        Opts().wav = v;
    } else if (a == "--fps" && std::atoi(v.c_str()) >= 1 && std::atoi(v.c_str()) <= 1000) {
        Opts().fps = std::atoi(v.c_str());
    } else {
        return false;
    }
    ++i;
    return true;
}

const char* GameUsage() { return "[--scene garden|palette|tour] [--wav FILE] [--fps N]"; }

const char* GameHelp() {
    return "  --scene garden|palette|tour  the scenes to run (default tour: garden, night garden, garden again)\n"
           "  --wav FILE                   render the run's audio into FILE (the sound card stays silent)\n"
           "  --fps N                      frame pace, 1 to 1000 frames a second (default 60)\n";
}

const std::string& GameWavFile() { return Opts().wav; }

std::unique_ptr<Module> MakeGame(int totalFrames, const std::string& png) {
    return std::make_unique<Game>(totalFrames, png);
}

}  // namespace demo
