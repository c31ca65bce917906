// The text overlay, drawn with DDTextOut on the back buffer's device
// context: scene, frame rate (from FPSCheck), gems, the name of the last key
// pressed and a line of help. Each line gets a one-pixel shadow so it reads
// on any background.
#include <cstdio>

#include "Game.h"
#include "common/Platform.h"

namespace demo {

namespace {
void Line(Context& ctx, vexo::HDC dc, std::string text, int x, int y, int32_t color, int32_t shadow) {
    std::string back = text;
    ctx.draw.DDTextOut(dc, back, x + 1, y + 1, shadow);
    ctx.draw.DDTextOut(dc, text, x, y, color);
}
}  // namespace

void DrawHud(Context& ctx, const HudInfo& info, vexo::HGDIOBJ font, int32_t color, int32_t shadow) {
    if (ctx.back.IsNothing()) return;
    vexo::HDC dc = 0;
    try {
        dc = ctx.back->GetDC();
    } catch (const vexo::VbError&) {
        return;  // surface busy: no text this frame
    }
    const vexo::HGDIOBJ old = font ? vexo::api::SelectObject(dc, font) : 0;
    char fps[32];
    if (info.fps > 0)
        std::snprintf(fps, sizeof fps, "FPS %.1f", static_cast<double>(info.fps));
    else
        std::snprintf(fps, sizeof fps, "FPS --");
    char top[128];
    std::snprintf(top, sizeof top, "%s   %s   Gems %d", info.scene.c_str(), fps, info.score);
    Line(ctx, dc, top, 232, 12, color, shadow);
    std::string key = "Last key:" + (info.lastKey.empty() ? std::string(" (none)") : info.lastKey);
    if (info.joysticks > 0) key += "   joystick on";
    if (!info.music) key += "   music off";
    Line(ctx, dc, key, 232, 30, color, shadow);
    Line(ctx, dc, "Arrows or stick: run   Space: jump   Tab: scene   M: music   Esc: quit", 12, ctx.height - 22,
         color, shadow);
    if (old) vexo::api::SelectObject(dc, old);
    ctx.back->ReleaseDC(dc);
}

}  // namespace demo
