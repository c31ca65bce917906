// The root object and the DirectDraw object of the software display.
#pragma once

#include "common/DDraw.h"

namespace vexo::plat {

class SoftDirectDraw final : public DirectDraw7 {
public:
    ~SoftDirectDraw() override;
    void SetCooperativeLevel(HWND hwnd, int32_t flags) override;
    void SetDisplayMode(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t flags) override;
    void RestoreDisplayMode() override;
    void FlipToGDISurface() override;
    Ref<DirectDrawSurface7> CreateSurface(DDSURFACEDESC2& desc) override;
    Ref<DirectDrawClipper> CreateClipper(int32_t flags) override;
    Ref<DirectDrawPalette> CreatePalette(int32_t flags, std::span<const PALETTEENTRY> entries) override;
    void LoadPaletteFromBitmap(const std::string& file, std::span<PALETTEENTRY> entries) override;
    int32_t WaitForVerticalBlank(int32_t flags, int32_t event) override;
    void GetDisplayMode(DDSURFACEDESC2& desc) override;

private:
    int32_t level_ = 0;
    HWND hwnd_ = 0;
};

// DirectDraw is built in; the other families come from the factories their
// folders register (platform/Families.h), "not implemented" until they do.
class SoftDirectX7 final : public DirectX7 {
public:
    Ref<DirectDraw7> DirectDrawCreate(const std::string& guid) override;
    Ref<DirectInput> DirectInputCreate() override;
    Ref<DirectSound> DirectSoundCreate(const std::string& guid) override;
    Ref<DirectMusicLoader> DirectMusicLoaderCreate() override;
    Ref<DirectMusicPerformance> DirectMusicPerformanceCreate() override;
};

}  // namespace vexo::plat
