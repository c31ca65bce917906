// Picks the widest kernels the processor runs, once; ForceIsa lets tests
// and benchmarks compare the paths.
#include <atomic>

#include "platform/blit/BlitInternal.h"

namespace vexo::blit {
namespace detail {

const Kernels kPlainKernels = {
    Isa::Plain,
    KeyRect8Plain, KeyRect16Plain, KeyRect24Plain, KeyRect32Plain,
    GatherRow8Plain, GatherRow16Plain, GatherRow24Plain, GatherRow32Plain,
    FillRow16Plain, FillRow24Plain, FillRow32Plain,
};

#if defined(__x86_64__)
const Kernels kSse2Kernels = {
    Isa::SSE2,
    KeyRect8Sse2, KeyRect16Sse2, KeyRect24Plain, KeyRect32Sse2,
    GatherRow8Plain, GatherRow16Plain, GatherRow24Plain, GatherRow32Plain,
    FillRow16Sse2, FillRow24Plain, FillRow32Sse2,
};
const Kernels kAvx2Kernels = {
    Isa::AVX2,
    KeyRect8Avx2, KeyRect16Avx2, KeyRect24Plain, KeyRect32Avx2,
    GatherRow8Avx2, GatherRow16Avx2, GatherRow24Plain, GatherRow32Avx2,
    FillRow16Avx2, FillRow24Plain, FillRow32Avx2,
};
#else
// No wide code elsewhere: the wide tables are never chosen.
const Kernels kSse2Kernels = kPlainKernels;
const Kernels kAvx2Kernels = kPlainKernels;
#endif

namespace {

bool Supported(Isa isa) {
#if defined(__x86_64__)
    // May run from a static initialiser, before the processor data is set.
    __builtin_cpu_init();
#endif
    switch (isa) {
        case Isa::Plain: return true;
#if defined(__x86_64__)
        case Isa::SSE2: return __builtin_cpu_supports("sse2");
        case Isa::AVX2: return __builtin_cpu_supports("avx2");
#else
        case Isa::SSE2:
        case Isa::AVX2: return false;
#endif
    }
    return false;
}

const Kernels* TableFor(Isa isa) {
    switch (isa) {
        case Isa::AVX2: return &kAvx2Kernels;
        case Isa::SSE2: return &kSse2Kernels;
        default: return &kPlainKernels;
    }
}

const Kernels* Best() {
    for (Isa isa : {Isa::AVX2, Isa::SSE2}) {
        if (Supported(isa)) return TableFor(isa);
    }
    return &kPlainKernels;
}

std::atomic<const Kernels*>& Current() {
    static std::atomic<const Kernels*> current{Best()};
    return current;
}

}  // namespace

const Kernels& Active() { return *Current().load(std::memory_order_relaxed); }

}  // namespace detail

Isa ActiveIsa() { return detail::Active().isa; }

void ForceIsa(Isa isa) {
    detail::Current().store(detail::Supported(isa) ? detail::TableFor(isa) : detail::Best(),
                            std::memory_order_relaxed);
}

}  // namespace vexo::blit
