// The run time's pictures: a picture file through the system's OLE picture
// loader (bitmap files, and the other formats that loader reads), a bitmap
// resource through LoadImageW. Each picture owns its bitmap.
#include "platform/windows/WinPlatform.h"

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

namespace vexo::win {

namespace {

constexpr int64_t kMaxPictureFile = int64_t(256) << 20;
constexpr int32_t kResourceBitmap = 0;

// An OLE picture; the bitmap is the picture's and goes with it.
class OlePicture final : public Picture {
public:
    OlePicture(IPicture* picture, ::HBITMAP bitmap) : picture_(picture), bitmap_(bitmap) {}
    ~OlePicture() override { picture_->Release(); }
    HBITMAP Handle() override { return FromHandle(bitmap_); }

private:
    IPicture* picture_;
    ::HBITMAP bitmap_;
};

// A bitmap loaded from a resource, deleted with the picture.
class ResourcePicture final : public Picture {
public:
    explicit ResourcePicture(::HBITMAP bitmap) : bitmap_(bitmap) {}
    ~ResourcePicture() override { ::DeleteObject(bitmap_); }
    HBITMAP Handle() override { return FromHandle(bitmap_); }

private:
    ::HBITMAP bitmap_;
};

struct HandleCloser {
    HANDLE h;
    ~HandleCloser() { CloseHandle(h); }
};

// The whole file in movable global memory, as a stream over it wants it.
HGLOBAL ReadWhole(const std::string& path, DWORD& size) {
    if (path.empty()) Raise(kErrFileNotFound);
    // A directory does not open without backup semantics, so it is "not
    // found" like a missing file.
    const HANDLE f = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) Raise(kErrFileNotFound);
    HandleCloser closer{f};
    LARGE_INTEGER length;
    if (!GetFileSizeEx(f, &length)) Raise(kErrFileNotFound);
    if (length.QuadPart > kMaxPictureFile) Raise(kErrOutOfMemory);
    size = DWORD(length.QuadPart);
    // One byte at least: an empty file still makes a stream, which the
    // loader then refuses.
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!memory) Raise(kErrOutOfMemory);
    auto* bytes = static_cast<uint8_t*>(GlobalLock(memory));
    DWORD read = 0;
    int32_t error = 0;
    if (!ReadFile(f, bytes, size, &read, nullptr) || read != size) error = kErrFileNotFound;
    if (!error && size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        try {
            CheckBitmapFile(bytes, size);
        } catch (const VbError& e) {
            error = e.number();
        }
    }
    GlobalUnlock(memory);
    if (error) {
        GlobalFree(memory);
        Raise(error);
    }
    return memory;
}

}  // namespace

Ref<Picture> LoadPictureFile(const std::string& file) {
    DWORD size = 0;
    HGLOBAL memory = ReadWhole(file, size);
    IStream* stream = nullptr;
    // The stream frees the memory when it goes.
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        Raise(kErrOutOfMemory);
    }
    IPicture* picture = nullptr;
    // Not run mode: in run mode the picture would not own its bitmap, and
    // releasing it would leave the bitmap behind.
    const HRESULT hr = OleLoadPicture(stream, LONG(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
    stream->Release();
    if (hr == E_OUTOFMEMORY) Raise(kErrOutOfMemory);
    if (FAILED(hr) || !picture) Raise(kErrInvalidPicture);
    // Icons and metafiles load as pictures too, but have no bitmap to hand out.
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)) ||
        handle == 0) {
        picture->Release();
        Raise(kErrInvalidPicture);
    }
    return Ref<Picture>(new OlePicture(picture, ToHandle<::HBITMAP>(int32_t(handle))));
}

Ref<Picture> LoadBitmapResource(const std::string& resId, int32_t type) {
    // Only bitmap resources give a picture with a bitmap; the name is taken
    // as a name ("#101" is the system's spelling of number 101).
    if (type != kResourceBitmap || resId.empty()) Raise(kErrResourceNotFound);
    HANDLE image = LoadImageW(GetModuleHandleW(nullptr), Wide(resId).c_str(), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    if (!image) Raise(kErrResourceNotFound);
    return Ref<Picture>(new ResourcePicture(static_cast<::HBITMAP>(image)));
}

}  // namespace vexo::win
