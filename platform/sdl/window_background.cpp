// Apart from the window registry: Xlib's names (Window, None, Bool) would
// clash with it.
#include "platform/sdl/window_background.h"

#include <SDL_syswm.h>

namespace {

// An 8-bit level placed in one colour field of a pixel.
unsigned long InField(Uint8 level, unsigned long mask) {
  const unsigned long unit = mask & ~(mask << 1);  // the field's lowest bit
  return level * (mask / unit) / 255 * unit;
}

// The pixel value of the colour in the window's visual. OpenGL's visual may
// be DirectColor with a colormap of its own and no free cells, which SDL fills
// with a linear ramp: the value then comes from the fields, as for TrueColor.
bool PixelOf(Display* display, const XWindowAttributes& window, SDL_Color colour,
             unsigned long* pixel) {
  const Visual* visual = window.visual;
  if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
    *pixel = InField(colour.r, visual->red_mask) | InField(colour.g, visual->green_mask) |
             InField(colour.b, visual->blue_mask);
    return true;
  }
  XColor cell{};
  cell.red = static_cast<unsigned short>(colour.r * 257);
  cell.green = static_cast<unsigned short>(colour.g * 257);
  cell.blue = static_cast<unsigned short>(colour.b * 257);
  cell.flags = DoRed | DoGreen | DoBlue;
  if (XAllocColor(display, window.colormap, &cell) == 0) return false;
  *pixel = cell.pixel;
  return true;
}

}  // namespace

bool latticegas_sdl::SetWindowBackground(SDL_Window* window, SDL_Color colour) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
    return false;
  Display* display = info.info.x11.display;
  const ::Window x11Window = info.info.x11.window;
  XWindowAttributes attributes;
  unsigned long pixel = 0;
  if (XGetWindowAttributes(display, x11Window, &attributes) == 0 ||
      !PixelOf(display, attributes, colour, &pixel))
    return false;
  // The X server now fills the window on every exposure, before any client
  // draws, and at once if it is already on screen.
  XSetWindowBackground(display, x11Window, pixel);
  XClearWindow(display, x11Window);
  XFlush(display);
  return true;
}
