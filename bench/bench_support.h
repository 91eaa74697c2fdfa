// What the benchmarks share: a picture closer to a game frame than a flat
// fill, a private X server large enough for 4K windows showing it, and a
// count of heap allocations.
#ifndef TARSEL_BENCH_BENCH_SUPPORT_H
#define TARSEL_BENCH_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <string>

#include "capture/captured_frame.h"
#include "tarsel/tarsel.h"

namespace tarsel_bench {

// Labels a run with its first two arguments as "WIDTHxHEIGHT".
inline void SetSizeLabel(benchmark::State& state) {
    state.SetLabel(std::to_string(state.range(0)) + "x" + std::to_string(state.range(1)));
}

// Blue, green, red gradients with noise; the same bytes for the same size.
tarsel::CapturedFrame Picture(int width, int height);

// A window at the top left of the private screen, showing Picture() of its
// size, in front and focused. Destroyed with the object.
class PictureWindow {
public:
    PictureWindow(int width, int height);
    ~PictureWindow();
    PictureWindow(const PictureWindow&) = delete;
    PictureWindow& operator=(const PictureWindow&) = delete;

    bool Ok() const { return m_window != 0; }
    xcb_window_t Id() const { return m_window; }
    HWND Handle() const { return reinterpret_cast<HWND>(static_cast<uintptr_t>(m_window)); }

private:
    xcb_window_t m_window = 0;
};

// Starts Xvfb (3840x2160) on first use and points $DISPLAY at it; the bench
// connection to it, or null when it cannot start.
xcb_connection_t* BenchConnection();

// Heap allocations (malloc, calloc, realloc) made by this thread so far; -1
// when the build cannot count them (sanitizers own malloc there).
int64_t AllocationsOnThisThread();

}  // namespace tarsel_bench

#endif  // TARSEL_BENCH_BENCH_SUPPORT_H
