#include "platform/gdi/surface.h"

#include "platform/kernel/globalmem.h"

namespace gdi {

namespace {
// The largest surface we allocate: 2^28 pixels (1 GiB). Larger requests fail cleanly instead of
// depending on the allocator's behaviour for absurd sizes.
constexpr uint64_t kMaxPixels = uint64_t{1} << 28;
}  // namespace

void Surface::Free::operator()(uint32_t* p) const { GlobalFree(p); }

bool Surface::Create(int width, int height) { return Allocate(width, height, true); }

bool Surface::CreateUninitialized(int width, int height) { return Allocate(width, height, false); }

bool Surface::Allocate(int width, int height, bool bZero) {
    Release();
    if (width < 0 || height < 0) return false;
    const uint64_t n = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (n > kMaxPixels) return false;
    if (n > 0) {
        m_bits.reset(static_cast<uint32_t*>(GlobalAlloc(bZero ? GMEM_FIXED | GMEM_ZEROINIT : GMEM_FIXED, n * 4)));
        if (!m_bits) return false;
    }
    m_width = width;
    m_height = height;
    return true;
}

void Surface::Release() {
    m_bits.reset();
    m_width = 0;
    m_height = 0;
}

}  // namespace gdi
