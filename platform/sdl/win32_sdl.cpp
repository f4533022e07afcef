// Win32 on SDL2: the window system under the shared core (platform/win32),
// which keeps the classes, windows and the message queue.
//
// Each window gets an SDL window when there is a display, and is a record
// only without one. Class names may be atoms, as on Windows.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "platform/sdl/message_box.h"
#include "platform/sdl/sdl_messages.h"
#include "platform/sdl/window_background.h"
#include "platform/sdl/window_handle.h"
#include "platform/win32/stock_objects.h"
#include "platform/win32/window_registry.h"

namespace {

using latticegas_sdl::MessagesFromSdlEvent;
using latticegas_sdl::SdlWindowOf;
using latticegas_sdl::SetWindowBackground;
using latticegas_win32::ClientSize;
using latticegas_win32::ThreadRegistry;
using latticegas_win32::WindowRegistry;
using latticegas_win32::WindowRequest;

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

struct SdlWindow {
  SDL_Window* sdl;  // null without a display, and once destroyed
  Uint32 id;
  int width;
  int height;
};

enum class Video { untried, available, unavailable };

// Without a display SDL falls back to drivers that show nothing; windows are
// then records only, as on a machine with no screen.
bool DrawsSomewhere() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr && std::strcmp(driver, "dummy") != 0 &&
         std::strcmp(driver, "offscreen") != 0;
}

// The class brush's colour from the moment the window is shown until the
// program draws (black for the program, until its first frame).
void PaintBackground(SDL_Window* window, HBRUSH brush) {
  if (const std::optional<Uint8> grey = latticegas_win32::StockBrushGrey(brush))
    SetWindowBackground(window, SDL_Color{*grey, *grey, *grey, 255});
}

// The window system the Win32 core runs on: an SDL window for each window
// (when there is a display), SDL's events as messages, boxes on the display.
class SdlWindowSystem final : public latticegas_win32::WindowSystem {
 public:
  void MakeNative(HWND window, const WindowRequest& request) override;
  void ShowNative(HWND window, bool visible) override;
  void DestroyNative(HWND window) override;
  ClientSize ClientSizeOf(HWND window) override;
  void PumpInput(WindowRegistry& registry) override;
  DWORD Now() override { return SDL_GetTicks(); }
  POINT CursorOnScreen() override;
  void ShowMessageBox(HWND owner, const char* caption, const char* text, UINT type) override;

  // Null for windows that never had one, and once destroyed.
  SDL_Window* SdlOf(HWND window) const;

 private:
  bool StartVideo(const char* className);
  SDL_Window* MakeSdlWindow(const WindowRequest& request, int width, int height);
  HWND FindBySdlId(const WindowRegistry& registry, Uint32 id) const;
  HWND TargetOf(const WindowRegistry& registry, const SDL_Event& event) const;
  void PostFromSdl(WindowRegistry& registry, const SDL_Event& event);

  std::map<HWND, SdlWindow> windows_;  // one for each window ever made
  Video video_ = Video::untried;
};

SdlWindowSystem& System() {
  // Never freed, as the registry over it.
  static SdlWindowSystem& system = *new SdlWindowSystem;
  return system;
}

void SdlWindowSystem::MakeNative(HWND window, const WindowRequest& request) {
  const int width =
      request.width == CW_USEDEFAULT || request.width <= 0 ? kDefaultWidth : request.width;
  const int height =
      request.height == CW_USEDEFAULT || request.height <= 0 ? kDefaultHeight : request.height;
  SdlWindow made{nullptr, 0, width, height};
  if (StartVideo(request.className)) {
    made.sdl = MakeSdlWindow(request, width, height);
    // No window (no OpenGL, say) leaves a record without one, as without a display.
    if (made.sdl != nullptr) made.id = SDL_GetWindowID(made.sdl);
  }
  windows_.emplace(window, made);
}

SDL_Window* SdlWindowSystem::MakeSdlWindow(const WindowRequest& request, int width, int height) {
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (request.style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  const bool placed = request.x != CW_USEDEFAULT;
  const int left = placed ? request.x : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
  const int top = placed ? request.y : static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
  // On Windows the size includes the frame; here the client area gets it
  // all, so the drawing surface is exactly the size asked for.
  SDL_Window* window = SDL_CreateWindow(request.title, left, top, width, height, flags);
  if (window != nullptr) PaintBackground(window, request.background);
  return window;
}

// SDL's video starts with the first window, so that the X11 WM_CLASS can be
// the window's class name (SDL reads it from the environment then).
bool SdlWindowSystem::StartVideo(const char* className) {
  if (video_ != Video::untried) return video_ == Video::available;
  // Without this SDL would swallow SIGINT and SIGTERM; a stuck program must
  // stay killable.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  setenv("SDL_VIDEO_X11_WMCLASS", className, 1);
  video_ = SDL_Init(SDL_INIT_VIDEO) == 0 && DrawsSomewhere() ? Video::available
                                                               : Video::unavailable;
  // Windows come with a 24-bit depth and 8-bit stencil buffer, the format of
  // Direct3D's automatic one, so the device can draw straight into them.
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  return video_ == Video::available;
}

void SdlWindowSystem::ShowNative(HWND window, bool visible) {
  SDL_Window* sdl = SdlOf(window);
  if (sdl == nullptr) return;
  if (visible)
    SDL_ShowWindow(sdl);
  else
    SDL_HideWindow(sdl);
}

void SdlWindowSystem::DestroyNative(HWND window) {
  const auto found = windows_.find(window);
  if (found == windows_.end() || found->second.sdl == nullptr) return;
  SDL_DestroyWindow(found->second.sdl);
  found->second.sdl = nullptr;
}

ClientSize SdlWindowSystem::ClientSizeOf(HWND handle) {
  const auto found = windows_.find(handle);
  if (found == windows_.end()) return ClientSize{0, 0};
  const SdlWindow& window = found->second;
  ClientSize size{window.width, window.height};
  // The user may have resized it; SDL's window size is the client area.
  if (window.sdl != nullptr) SDL_GetWindowSize(window.sdl, &size.width, &size.height);
  return size;
}

SDL_Window* SdlWindowSystem::SdlOf(HWND window) const {
  const auto found = windows_.find(window);
  return found != windows_.end() ? found->second.sdl : nullptr;
}

POINT SdlWindowSystem::CursorOnScreen() {
  int x = 0;
  int y = 0;
  if (video_ == Video::available) SDL_GetGlobalMouseState(&x, &y);
  return POINT{x, y};
}

void SdlWindowSystem::PumpInput(WindowRegistry& registry) {
  if (video_ != Video::available) return;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) PostFromSdl(registry, event);
}

HWND SdlWindowSystem::FindBySdlId(const WindowRegistry& registry, Uint32 id) const {
  for (const auto& [handle, window] : windows_)
    if (registry.Live(handle) != nullptr && window.sdl != nullptr && window.id == id) return handle;
  return nullptr;
}

HWND SdlWindowSystem::TargetOf(const WindowRegistry& registry, const SDL_Event& event) const {
  switch (event.type) {
    case SDL_KEYDOWN: return FindBySdlId(registry, event.key.windowID);
    case SDL_MOUSEBUTTONDOWN: return FindBySdlId(registry, event.button.windowID);
    case SDL_MOUSEWHEEL: return FindBySdlId(registry, event.wheel.windowID);
    default: return nullptr;
  }
}

void SdlWindowSystem::PostFromSdl(WindowRegistry& registry, const SDL_Event& event) {
  if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
    if (HWND target = FindBySdlId(registry, event.window.windowID))
      registry.Post(MSG{target, WM_CLOSE, 0, 0, 0, {}});
    return;
  }
  // SDL follows the last window's close request with a quit; ask each window once.
  if (event.type == SDL_QUIT) {
    registry.PostCloseToEveryWindow();
    return;
  }
  const HWND target = TargetOf(registry, event);
  if (target == nullptr) return;
  POINT cursor{0, 0};
  if (event.type == SDL_MOUSEWHEEL) {
    int left = 0;
    int top = 0;
    SDL_GetWindowPosition(SdlOf(target), &left, &top);
    cursor = POINT{left + event.wheel.mouseX, top + event.wheel.mouseY};
  }
  for (const MSG& message : MessagesFromSdlEvent(event, target, cursor)) registry.Post(message);
}

void SdlWindowSystem::ShowMessageBox(HWND owner, const char* caption, const char* text,
                                     UINT type) {
  if (latticegas_sdl::ShowSdlMessageBox(SdlWindowOf(owner), caption, text, type)) return;
  // Nothing can show the box: say it where someone may read it, and go on.
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}

}  // namespace

WindowRegistry& latticegas_win32::ThreadRegistry() {
  static WindowRegistry& registry = *new WindowRegistry(System(), ClassNames::namesOrAtoms);
  return registry;
}

SDL_Window* latticegas_sdl::SdlWindowOf(HWND handle) {
  return ThreadRegistry().Live(handle) != nullptr ? System().SdlOf(handle) : nullptr;
}
