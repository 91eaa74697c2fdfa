// The demo's game: a window that plays scenes, repainted by a thread of its
// own. Ordinary scenes are blue with moving content; the boss scene is red,
// which the colour model classifies as class 1.
#ifndef TARSEL_HOST_SYNTHETIC_GAME_H
#define TARSEL_HOST_SYNTHETIC_GAME_H

#include <xcb/xcb.h>

#include <atomic>
#include <string>
#include <thread>

#include "tarsel/tarsel.h"
#include "x_windows.h"

namespace tarsel_host {

enum class Scene { kOrdinary, kBoss };

class SyntheticGame {
public:
    SyntheticGame() = default;
    ~SyntheticGame();
    SyntheticGame(const SyntheticGame&) = delete;
    SyntheticGame& operator=(const SyntheticGame&) = delete;

    // Opens the window, gives it the input focus (a private Xvfb has no window
    // manager to do it) and starts painting.
    bool Open(int width, int height, std::string& error);
    void SetScene(Scene scene) { m_scene.store(scene); }
    Scene CurrentScene() const { return m_scene.load(); }
    HWND Handle() const { return reinterpret_cast<HWND>(static_cast<uintptr_t>(m_window)); }
    void Close();

private:
    void Paint(int frame);

    XConnection m_x;
    xcb_window_t m_window = 0;
    xcb_gcontext_t m_gc = 0;
    int m_width = 0;
    int m_height = 0;
    std::atomic<Scene> m_scene{Scene::kOrdinary};
    std::atomic<bool> m_running{false};
    std::thread m_painter;
};

}  // namespace tarsel_host

#endif  // TARSEL_HOST_SYNTHETIC_GAME_H
