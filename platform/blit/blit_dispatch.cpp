// Picks the widest kernels the processor runs, once; ForceIsa lets tests
// and benchmarks compare the paths.
#include <atomic>

#include "platform/blit/BlitInternal.h"

namespace vexo::blit {
namespace detail {

const Kernels kPlainKernels = {
    Isa::Plain,
    KeyRow8Plain, KeyRow16Plain, KeyRow24Plain, KeyRow32Plain,
    GatherRow8Plain, GatherRow16Plain, GatherRow24Plain, GatherRow32Plain,
    GatherKeyRow8Plain, GatherKeyRow16Plain, GatherKeyRow24Plain, GatherKeyRow32Plain,
    FillRow16Plain, FillRow24Plain, FillRow32Plain,
};

// Wide kernels come next; until then the wide tables run the plain ones.
const Kernels kSse2Kernels = {
    Isa::SSE2,
    KeyRow8Plain, KeyRow16Plain, KeyRow24Plain, KeyRow32Plain,
    GatherRow8Plain, GatherRow16Plain, GatherRow24Plain, GatherRow32Plain,
    GatherKeyRow8Plain, GatherKeyRow16Plain, GatherKeyRow24Plain, GatherKeyRow32Plain,
    FillRow16Plain, FillRow24Plain, FillRow32Plain,
};
const Kernels kAvx2Kernels = {
    Isa::AVX2,
    KeyRow8Plain, KeyRow16Plain, KeyRow24Plain, KeyRow32Plain,
    GatherRow8Plain, GatherRow16Plain, GatherRow24Plain, GatherRow32Plain,
    GatherKeyRow8Plain, GatherKeyRow16Plain, GatherKeyRow24Plain, GatherKeyRow32Plain,
    FillRow16Plain, FillRow24Plain, FillRow32Plain,
};

namespace {

bool Supported(Isa isa) {
    switch (isa) {
        case Isa::Plain: return true;
        case Isa::SSE2: return __builtin_cpu_supports("sse2");
        case Isa::AVX2: return __builtin_cpu_supports("avx2");
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
    __builtin_cpu_init();
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
    __builtin_cpu_init();
    detail::Current().store(detail::Supported(isa) ? detail::TableFor(isa) : detail::Best(),
                            std::memory_order_relaxed);
}

}  // namespace vexo::blit
