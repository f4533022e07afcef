// The class's background brush on a real X display: a window that never
// draws shows the brush's colour, not what was on the screen before, when it
// is shown and again when it is uncovered. Needs DISPLAY.
#include <gtest/gtest.h>

#include <SDL_syswm.h>
#include <X11/Xutil.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/sdl/window_handle.h"
#include "platform/win32_api.h"


using namespace latticegas_sdl;
namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

struct Rgb {
  unsigned r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A plain X window of one colour over the area where the window under test
// opens: what would show through if nothing painted that window.
class Cover {
 public:
  Cover(Display* display, unsigned long pixel) : display_(display) {
    XSetWindowAttributes attributes{};
    attributes.background_pixel = pixel;
    attributes.override_redirect = True;
    window_ = XCreateWindow(display, DefaultRootWindow(display), 0, 0, kWidth + 40, kHeight + 40,
                            0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixel | CWOverrideRedirect, &attributes);
  }
  ~Cover() { XDestroyWindow(display_, window_); XSync(display_, False); }
  void Show() { XMapRaised(display_, window_); XSync(display_, False); }
  void Hide() { XUnmapWindow(display_, window_); XSync(display_, False); }

 private:
  Display* display_;
  ::Window window_;
};

class Win32Background : public ::testing::Test {
 protected:
  Display* display = nullptr;

  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X display";
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
  }
  void TearDown() override {
    if (display != nullptr) XCloseDisplay(display);
  }

  unsigned long Pixel(unsigned short level) {
    XColor colour{};
    colour.red = colour.green = colour.blue = static_cast<unsigned short>(level * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &colour);
    return colour.pixel;
  }

  // A window of the Win32 layer at the screen's corner, shown, never drawn in.
  HWND OpenWithBrush(const char* className, int stockBrush) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(stockBrush));
    windowClass.lpszClassName = className;
    EXPECT_NE(RegisterClassA(&windowClass), 0);
    const HWND window = CreateWindowExA(0, className, "background", WS_OVERLAPPEDWINDOW, 0, 0,
                                        kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
  }

  // The window's pixels as the X server holds them (a screenshot), and how
  // many of them are not `expected`; waits a bounded while for them to match.
  long PixelsOtherThan(HWND window, Rgb expected) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(SdlWindowOf(window), &info) != SDL_TRUE) return -1;
    long wrong = -1;
    for (int attempt = 0; attempt < 100 && wrong != 0; ++attempt) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      XSync(display, False);
      wrong = Count(info.info.x11.window, expected);
      if (wrong != 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return wrong;
  }

  long Count(::Window window, Rgb expected) {
    XImage* image = XGetImage(display, window, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (image == nullptr) return -1;
    long wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        // Scale each channel by its mask to 8 bits.
        auto channel = [p](unsigned long mask) {
          const unsigned long shifted = (p & mask) / (mask & ~(mask << 1));
          return static_cast<unsigned>(shifted * 255 / (mask / (mask & ~(mask << 1))));
        };
        const Rgb seen{channel(image->red_mask), channel(image->green_mask),
                       channel(image->blue_mask)};
        wrong += seen == expected ? 0 : 1;
      }
    }
    XDestroyImage(image);
    return wrong;
  }
};

TEST_F(Win32Background, BlackBrushFillsTheWindowFromShowingUntilItDraws) {
  Cover white(display, Pixel(255));
  white.Show();
  const HWND window = OpenWithBrush("Lattice.black background", BLACK_BRUSH);
  white.Hide();  // the window opened over it; what the cover left is the question
  EXPECT_EQ(PixelsOtherThan(window, Rgb{0, 0, 0}), 0) << "shown";

  // Covered and uncovered again before any frame: filled again, not left
  // with the cover's picture.
  Cover grey(display, Pixel(128));
  grey.Show();
  grey.Hide();
  EXPECT_EQ(PixelsOtherThan(window, Rgb{0, 0, 0}), 0) << "uncovered";
  DestroyWindow(window);
}

TEST_F(Win32Background, FillFollowsTheClassBrush) {
  Cover black(display, Pixel(0));
  black.Show();
  const HWND window = OpenWithBrush("Lattice.white background", WHITE_BRUSH);
  black.Hide();
  EXPECT_EQ(PixelsOtherThan(window, Rgb{255, 255, 255}), 0);
  DestroyWindow(window);
}

}  // namespace
