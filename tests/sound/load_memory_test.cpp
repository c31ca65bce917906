// What loading a sound holds at once: every allocation of the program is
// counted, so the test sees the peak, not only the result.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sndfile.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/audio/SoundData.h"
#include "tests/sound/SoundTestSupport.h"

namespace {
std::atomic<int64_t> g_live{0}, g_peak{0};
// Out of line, so the compiler does not pair the free with a new-expression.
[[gnu::noinline]] void Release(void* p) {
    g_live -= int64_t(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

void* operator new(size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    int64_t live = g_live += int64_t(malloc_usable_size(p));
    for (int64_t peak = g_peak; live > peak && !g_peak.compare_exchange_weak(peak, live);) {
    }
    return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept {
    if (p) Release(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace vexo {
namespace {

using namespace vexo::test;

TEST(SoundLoadMemory, ACompressedFileIsConvertedIntoDataAllocatedOnce) {
    // A few hundred bytes of FLAC: silence at 100 Hz, which becomes 441 times
    // as many frames at 44100 Hz, 16-bit stereo (20 MB).
    TempDir dir;
    std::string path = dir.File("long.flac");
    SF_INFO info{};
    info.samplerate = 100;
    info.channels = 1;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    std::vector<short> zero(12000, 0);
    sf_writef_short(f, zero.data(), sf_count_t(zero.size()));
    sf_close(f);
    ASSERT_LT(std::filesystem::file_size(path), 4096u);

    const int64_t before = g_live;
    g_peak = before;
    auto data = audio::LoadSoundFile(path, Pcm(44100, 16, 2));
    const int64_t bytes = int64_t(data->bytes.size());
    EXPECT_EQ(12000 * 441 * 4, bytes);
    // Grown as it arrived, the data was held two or three times over.
    EXPECT_LT(g_peak - before, bytes + (2 << 20));
}

}  // namespace
}  // namespace vexo
