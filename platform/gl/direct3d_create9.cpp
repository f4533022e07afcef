// On its own, so that tests can link a Direct3DCreate9 of their own (one that
// may hand out a headless Direct3D) in place of this one.
#include "platform/gl/gl_direct3d.h"

IDirect3D9* Direct3DCreate9(UINT SDKVersion) { return latticegas_gl::CreateDirect3D(SDKVersion); }
