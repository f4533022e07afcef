#pragma once
// Direct3D on OpenGL, as Direct3DCreate9 hands it out.
#include "platform/d3d9_api.h"

namespace latticegas_gl {

// A new Direct3D object whose devices draw with OpenGL into SDL windows; null
// for another SDK version or where no display can give OpenGL.
IDirect3D9* CreateDirect3D(UINT sdkVersion);

}  // namespace latticegas_gl
