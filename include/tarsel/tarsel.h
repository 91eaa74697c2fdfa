// tarsel: scene monitoring of a game window, loaded into the host's process.
//
// The host creates one service object with CreateTarselService(), binds it to
// the game's top-level window with Init() and talks to it only through the
// ITarselService interface below. DestroyTarselService() releases it.
//
// Threads. Every operation runs on the calling thread. The lifecycle operations
// (Init, StartSceneMonitor, StopSceneMonitor, Shutdown, DestroyTarselService)
// and CaptureScreenAsync do not synchronise with one another: issue them from
// one thread at a time. Every other operation may be called from any thread at
// any time after creation. Frame batches are delivered on the service's worker
// thread; log callbacks arrive on whichever thread writes the line.
//
// Text. Strings passed in are copied during the call (null counts as empty).
// Strings passed to host callbacks are valid only during the callback.
//
// Window handles. On Windows HWND is the system's window handle. Elsewhere no
// system header defines it, so it is an opaque pointer type whose value is the
// X11 window id: reinterpret_cast<HWND>(static_cast<uintptr_t>(xid)).
#ifndef TARSEL_TARSEL_H
#define TARSEL_TARSEL_H

// The C headers, so that a freestanding caller needs nothing but the compiler's own.
#include <stddef.h>
#include <stdint.h>

// The same declaration as <windows.h> makes with STRICT (its default), so the
// two can meet in one translation unit.
typedef struct HWND__* HWND;

#if defined(_WIN32)
#define TARSEL_CALL __cdecl
#if defined(TARSEL_BUILDING_LIBRARY)
#define TARSEL_EXPORT __declspec(dllexport)
#else
#define TARSEL_EXPORT __declspec(dllimport)
#endif
#else
#define TARSEL_CALL
#define TARSEL_EXPORT __attribute__((visibility("default")))
#endif

// Windows hosts are normally built with MSVC, which gives a virtual destructor
// one vtable slot (a deleting destructor taking flags) where GCC gives two.
// GCC builds for Windows therefore declare that one slot as a function of its
// own, so that every operation after it sits where an MSVC caller looks.
#if defined(_WIN32) && !defined(_MSC_VER)
#define TARSEL_MSVC_VTABLE 1
#else
#define TARSEL_MSVC_VTABLE 0
#endif

// Log levels passed to LogCallback: 0 DEBUG, 1 INFO, 2 WARN, 3 ERROR.
// DEBUG lines are never delivered.
typedef void (*LogCallback)(int level, const char* message, void* userData);

// A frame batch: classId is the class of the frame that caused it; framesJson
// is a compact JSON array of {"base64","classId","timestamp"} objects followed
// by one line feed. Called on the worker thread.
typedef void (*FrameBatchCallback)(int classId, const char* framesJson, void* userData);

// One screenshot: on success base64 holds the JPEG, width and height are the
// captured client size (before any resizing), code is 0 and message null. On
// failure base64 is null, width and height are 0, code is negative and message
// says why.
typedef void (*ScreenshotCallback)(const char* base64, int width, int height, int code,
                                   const char* message, void* userData);

class ITarselService {
public:
#if TARSEL_MSVC_VTABLE
    // MSVC's deleting destructor: destroys the object, frees it when flags & 1,
    // returns this. An MSVC host's delete through the interface lands here;
    // others call DestroyTarselService.
    virtual ITarselService* DeletingDestructor(unsigned int flags) = 0;

protected:
    ~ITarselService() {}

public:
#else
    virtual ~ITarselService() {}
#endif

    // Binds the game window. True when bound now or already bound (the first
    // window stays). False only for a null handle. Lifecycle thread.
    virtual bool Init(HWND hWnd) = 0;

    // Stops monitoring and releases the window binding. Safe in any state.
    // Lifecycle thread.
    virtual void Shutdown() = 0;

    // Takes one screenshot now, on the calling thread, bounded to maxSize on
    // its longer side (0 or below: full size), and calls callback exactly once
    // before returning. A null callback is refused with a log line.
    virtual void CaptureScreenAsync(int maxSize, ScreenshotCallback callback, void* userData) = 0;

    // Loads the model and starts the worker thread. False when not bound,
    // already running, or the model cannot be loaded. Lifecycle thread.
    //
    // Host callbacks may call back into the service, the lifecycle operations
    // and DestroyTarselService included: a stop asked for from inside a frame
    // callback ends once the pass in progress has finished, and a destruction
    // asked for from inside any callback takes effect once the operation or
    // pass that called the host has unwound.
    virtual bool StartSceneMonitor(const char* modelPath, int interval, int historySize,
                                   int forwardWindows, int backwardWindows) = 0;

    // Stops the worker thread and waits for it. Lifecycle thread.
    virtual void StopSceneMonitor() = 0;

    virtual bool IsSceneMonitorRunning() = 0;

    // Speech events of the user. A null text counts as empty.
    virtual void OnUserStartSpeaking() = 0;
    virtual void OnUserStopSpeaking(const char* text) = 0;

    // Frame-batch JSON of the frames collected around the last speech. Never
    // null. The text belongs to the service and stays valid until the next call
    // of GetPendingFrames from any thread, or the service's destruction.
    virtual const char* GetPendingFrames() = 0;

    // Registers the frame-batch callback; null switches delivery off. Waits
    // for a delivery in progress on the worker to end, so once it returns the
    // old function is not called again; the frame callback itself may call it.
    // A frame callback must therefore not wait on a thread that is inside
    // SetFrameCallback.
    virtual void SetFrameCallback(FrameBatchCallback callback, void* userData) = 0;

    // Puts the boss sending state back to IDLE (0).
    virtual void ResetBossState() = 0;

    virtual void SetCaptureInterval(int seconds) = 0;
    virtual void SetForwardWindows(int count) = 0;
    virtual void SetBackwardWindows(int count) = 0;

    // Class of the latest kept frame; -1 until the first one.
    virtual int GetCurrentClassId() = 0;
    // 0 IDLE, 1 SENDING, 2 WAITING_RESPONSE.
    virtual int GetBossState() = 0;
    // Number of history slots: the history size while monitoring runs, else 0.
    virtual size_t GetFrameCount() = 0;

    virtual bool IsWindowValid() = 0;
    virtual bool IsWindowForeground() = 0;

    // Registers the process-wide log callback (shared by all service objects);
    // null switches it off.
    virtual void SetLogCallback(LogCallback callback, void* userData) = 0;
};

extern "C" {
// A new service object, or null when it could not be made. Any thread.
TARSEL_EXPORT ITarselService* TARSEL_CALL CreateTarselService();
// Destroys a service made by CreateTarselService; null is accepted.
TARSEL_EXPORT void TARSEL_CALL DestroyTarselService(ITarselService* service);
}

#endif  // TARSEL_TARSEL_H
