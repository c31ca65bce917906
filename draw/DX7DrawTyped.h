// The typed half of the dual interface _DX7Draw, one entry per method in
// interface order. Written by com/typed_from_idl.py from the definition
// the layer produces; regenerate it when the description changes.
#pragma once

#include "com/Automation.h"

namespace vexo::com::typed {

struct _DX7Draw : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE DDTextOut(int32_t* FormHdc, BSTR* TextString, int32_t* x, int32_t* y, int32_t* TextColorRGB, int32_t* TextOutByte) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDSurfaceSetPalette(IDispatch** SurfaceID, IDispatch** PaletteID, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FPSCheck(float* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE TimeStopper(int32_t* StopTime_msc, VARIANT_BOOL* DoEventsFlag, uint8_t* SkipKeycode) = 0;
    virtual HRESULT STDMETHODCALLTYPE MouseCursorHide(VARIANT_BOOL* bFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBitmapHeight(int32_t hBitmap, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBitmapWidth(int32_t hBitmap, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FeedDarkOutEx(int32_t* StopTime, int32_t* FeedOutValue, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FeedFlashOutEx(int32_t* StopTime, int32_t* FeedOutValue, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FeedDarkOut(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FeedFlashOut(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FeedDarkIn(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE FeedFlashIn(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDBltFastEX(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDBltEX(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDSetup(int32_t* hWnd, int32_t* nWidth, int32_t* nHeight, int32_t* dwFlags, int32_t* nBitDepth, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDClose() = 0;
    virtual HRESULT STDMETHODCALLTYPE DDCreateSurface(int32_t* nWidth, int32_t* nHeight, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDGetSurfaceWidth(IDispatch** dds, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDGetSurfaceHeight(IDispatch** dds, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDCreateSurfaceFromBitmap(int32_t hBitmap, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDCreateSurfaceFromFile(BSTR Filename, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDBlt(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDBltFast(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDSetColorKey(IDispatch** dds, int32_t RGBColorKey, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDStrechBlt(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t nWidth2, int32_t nHeight2, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDHarfStrechBltEx(IDispatch** ddsSrc, IDispatch** ddsDest, IDispatch** ddpPalette, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t nWidth2, int32_t nHeight2, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDSetPalette(IDispatch** dds, IDispatch** ddp) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDCreatePalette(SAFEARRAY** Red, SAFEARRAY** Green, SAFEARRAY** Blue, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDCreatePaletteFromFile(BSTR Filename, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDCreateDefPalette(IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDFillRect(IDispatch** dds, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, int32_t RGBColor, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDCreateSurfaceFromResource(BSTR ResID, IDispatch** result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDFlip() = 0;
    virtual HRESULT STDMETHODCALLTYPE DDBitBltFX(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight, int32_t nDestWidth, int32_t nDestHeight, int32_t xDest, int32_t yDest, int32_t* dwFlag, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDHarfTransferBlt(IDispatch** ddsSrc, IDispatch** ddsDest, IDispatch** ddpPalette, int32_t* SrcX, int32_t* SrcY, int32_t* nWidth, int32_t* nHeight, int32_t* xDest, int32_t* yDest, VARIANT_BOOL bTransparent, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDSaveHarfPalette(BSTR* SavePathFilename, IDispatch** ddpPalette, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDLoadHarfPalette(BSTR* LoadPathFilename, int32_t* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE DDPrimarySetPalette(IDispatch** PaletteID, int32_t* result) = 0;

protected:
    ~_DX7Draw() = default;
};

// Forwards every entry into the object's dispatch path, so conversion,
// write-back and errors are those of Invoke.
class _DX7DrawEntries final : public EntriesBase<_DX7Draw> {
public:
    using EntriesBase::EntriesBase;
    static constexpr size_t kMethods = 39;
    HRESULT STDMETHODCALLTYPE DDTextOut(int32_t* FormHdc, BSTR* TextString, int32_t* x, int32_t* y, int32_t* TextColorRGB, int32_t* TextOutByte) override { return Call(o_, 0x1, {In(FormHdc), In(TextString), In(x), In(y), In(TextColorRGB), In(TextOutByte)}); }
    HRESULT STDMETHODCALLTYPE DDSurfaceSetPalette(IDispatch** SurfaceID, IDispatch** PaletteID, VARIANT* result) override { return Call(o_, 0x2, {In(SurfaceID), In(PaletteID)}, result); }
    HRESULT STDMETHODCALLTYPE FPSCheck(float* result) override { return Call(o_, 0x3, {}, result); }
    HRESULT STDMETHODCALLTYPE TimeStopper(int32_t* StopTime_msc, VARIANT_BOOL* DoEventsFlag, uint8_t* SkipKeycode) override { return Call(o_, 0x4, {In(StopTime_msc), In(DoEventsFlag), In(SkipKeycode)}); }
    HRESULT STDMETHODCALLTYPE MouseCursorHide(VARIANT_BOOL* bFlags) override { return Call(o_, 0x5, {In(bFlags)}); }
    HRESULT STDMETHODCALLTYPE GetBitmapHeight(int32_t hBitmap, int32_t* result) override { return Call(o_, 0x6, {In(hBitmap)}, result); }
    HRESULT STDMETHODCALLTYPE GetBitmapWidth(int32_t hBitmap, int32_t* result) override { return Call(o_, 0x7, {In(hBitmap)}, result); }
    HRESULT STDMETHODCALLTYPE FeedDarkOutEx(int32_t* StopTime, int32_t* FeedOutValue, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) override { return Call(o_, 0x8, {In(StopTime), In(FeedOutValue), In(WaitForVerticalBlankFlag)}, result); }
    HRESULT STDMETHODCALLTYPE FeedFlashOutEx(int32_t* StopTime, int32_t* FeedOutValue, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) override { return Call(o_, 0x9, {In(StopTime), In(FeedOutValue), In(WaitForVerticalBlankFlag)}, result); }
    HRESULT STDMETHODCALLTYPE FeedDarkOut(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) override { return Call(o_, 0xa, {In(StopTime), In(WaitForVerticalBlankFlag)}, result); }
    HRESULT STDMETHODCALLTYPE FeedFlashOut(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) override { return Call(o_, 0xb, {In(StopTime), In(WaitForVerticalBlankFlag)}, result); }
    HRESULT STDMETHODCALLTYPE FeedDarkIn(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) override { return Call(o_, 0xc, {In(StopTime), In(WaitForVerticalBlankFlag)}, result); }
    HRESULT STDMETHODCALLTYPE FeedFlashIn(int32_t* StopTime, VARIANT_BOOL* WaitForVerticalBlankFlag, int32_t* result) override { return Call(o_, 0xd, {In(StopTime), In(WaitForVerticalBlankFlag)}, result); }
    HRESULT STDMETHODCALLTYPE DDBltFastEX(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) override { return Call(o_, 0xe, {In(ddsSrc), In(ddsDest), In(xSrc), In(ySrc), In(nWidth), In(nHeight), In(xDest), In(yDest), In(bTransparent)}, result); }
    HRESULT STDMETHODCALLTYPE DDBltEX(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) override { return Call(o_, 0xf, {In(ddsSrc), In(ddsDest), In(xSrc), In(ySrc), In(nWidth), In(nHeight), In(xDest), In(yDest), In(bTransparent)}, result); }
    HRESULT STDMETHODCALLTYPE DDSetup(int32_t* hWnd, int32_t* nWidth, int32_t* nHeight, int32_t* dwFlags, int32_t* nBitDepth, IDispatch** result) override { return Call(o_, 0x10, {In(hWnd), In(nWidth), In(nHeight), In(dwFlags), In(nBitDepth)}, result); }
    HRESULT STDMETHODCALLTYPE DDClose() override { return Call(o_, 0x11, {}); }
    HRESULT STDMETHODCALLTYPE DDCreateSurface(int32_t* nWidth, int32_t* nHeight, IDispatch** result) override { return Call(o_, 0x12, {In(nWidth), In(nHeight)}, result); }
    HRESULT STDMETHODCALLTYPE DDGetSurfaceWidth(IDispatch** dds, int32_t* result) override { return Call(o_, 0x13, {In(dds)}, result); }
    HRESULT STDMETHODCALLTYPE DDGetSurfaceHeight(IDispatch** dds, int32_t* result) override { return Call(o_, 0x14, {In(dds)}, result); }
    HRESULT STDMETHODCALLTYPE DDCreateSurfaceFromBitmap(int32_t hBitmap, IDispatch** result) override { return Call(o_, 0x15, {In(hBitmap)}, result); }
    HRESULT STDMETHODCALLTYPE DDCreateSurfaceFromFile(BSTR Filename, IDispatch** result) override { return Call(o_, 0x16, {In(Filename)}, result); }
    HRESULT STDMETHODCALLTYPE DDBlt(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) override { return Call(o_, 0x17, {In(ddsSrc), In(ddsDest), In(xSrc), In(ySrc), In(nWidth), In(nHeight), In(xDest), In(yDest), In(bTransparent)}, result); }
    HRESULT STDMETHODCALLTYPE DDBltFast(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, VARIANT* result) override { return Call(o_, 0x18, {In(ddsSrc), In(ddsDest), In(xSrc), In(ySrc), In(nWidth), In(nHeight), In(xDest), In(yDest), In(bTransparent)}, result); }
    HRESULT STDMETHODCALLTYPE DDSetColorKey(IDispatch** dds, int32_t RGBColorKey, VARIANT* result) override { return Call(o_, 0x19, {In(dds), In(RGBColorKey)}, result); }
    HRESULT STDMETHODCALLTYPE DDStrechBlt(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t nWidth2, int32_t nHeight2, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, int32_t* result) override { return Call(o_, 0x1a, {In(ddsSrc), In(ddsDest), In(xSrc), In(ySrc), In(nWidth), In(nHeight), In(nWidth2), In(nHeight2), In(xDest), In(yDest), In(bTransparent)}, result); }
    HRESULT STDMETHODCALLTYPE DDHarfStrechBltEx(IDispatch** ddsSrc, IDispatch** ddsDest, IDispatch** ddpPalette, int32_t xSrc, int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t nWidth2, int32_t nHeight2, int32_t xDest, int32_t yDest, VARIANT_BOOL bTransparent, VARIANT* result) override { return Call(o_, 0x1b, {In(ddsSrc), In(ddsDest), In(ddpPalette), In(xSrc), In(ySrc), In(nWidth), In(nHeight), In(nWidth2), In(nHeight2), In(xDest), In(yDest), In(bTransparent)}, result); }
    HRESULT STDMETHODCALLTYPE DDSetPalette(IDispatch** dds, IDispatch** ddp) override { return Call(o_, 0x1c, {In(dds), In(ddp)}); }
    HRESULT STDMETHODCALLTYPE DDCreatePalette(SAFEARRAY** Red, SAFEARRAY** Green, SAFEARRAY** Blue, IDispatch** result) override { return Call(o_, 0x1d, {In(Red), In(Green), In(Blue)}, result); }
    HRESULT STDMETHODCALLTYPE DDCreatePaletteFromFile(BSTR Filename, IDispatch** result) override { return Call(o_, 0x1e, {In(Filename)}, result); }
    HRESULT STDMETHODCALLTYPE DDCreateDefPalette(IDispatch** result) override { return Call(o_, 0x1f, {}, result); }
    HRESULT STDMETHODCALLTYPE DDFillRect(IDispatch** dds, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, int32_t RGBColor, int32_t* result) override { return Call(o_, 0x20, {In(dds), In(Left), In(Top), In(Right), In(Bottom), In(RGBColor)}, result); }
    HRESULT STDMETHODCALLTYPE DDCreateSurfaceFromResource(BSTR ResID, IDispatch** result) override { return Call(o_, 0x21, {In(ResID)}, result); }
    HRESULT STDMETHODCALLTYPE DDFlip() override { return Call(o_, 0x22, {}); }
    HRESULT STDMETHODCALLTYPE DDBitBltFX(IDispatch** ddsSrc, IDispatch** ddsDest, int32_t xSrc, int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight, int32_t nDestWidth, int32_t nDestHeight, int32_t xDest, int32_t yDest, int32_t* dwFlag, int32_t* result) override { return Call(o_, 0x23, {In(ddsSrc), In(ddsDest), In(xSrc), In(ySrc), In(nSrcWidth), In(nSrcHeight), In(nDestWidth), In(nDestHeight), In(xDest), In(yDest), In(dwFlag)}, result); }
    HRESULT STDMETHODCALLTYPE DDHarfTransferBlt(IDispatch** ddsSrc, IDispatch** ddsDest, IDispatch** ddpPalette, int32_t* SrcX, int32_t* SrcY, int32_t* nWidth, int32_t* nHeight, int32_t* xDest, int32_t* yDest, VARIANT_BOOL bTransparent, int32_t* result) override { return Call(o_, 0x24, {In(ddsSrc), In(ddsDest), In(ddpPalette), In(SrcX), In(SrcY), In(nWidth), In(nHeight), In(xDest), In(yDest), In(bTransparent)}, result); }
    HRESULT STDMETHODCALLTYPE DDSaveHarfPalette(BSTR* SavePathFilename, IDispatch** ddpPalette, int32_t* result) override { return Call(o_, 0x25, {In(SavePathFilename), In(ddpPalette)}, result); }
    HRESULT STDMETHODCALLTYPE DDLoadHarfPalette(BSTR* LoadPathFilename, int32_t* result) override { return Call(o_, 0x26, {In(LoadPathFilename)}, result); }
    HRESULT STDMETHODCALLTYPE DDPrimarySetPalette(IDispatch** PaletteID, int32_t* result) override { return Call(o_, 0x27, {In(PaletteID)}, result); }
};

}  // namespace vexo::com::typed
