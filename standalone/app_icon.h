// The program's icon, painted in code: the skin's blue panel with an olive formant curve. The
// build writes it as PNG files for the desktop menus; the main window shows it too.
#pragma once

typedef struct _cairo_surface cairo_surface_t;

namespace sorvella {

// A square ARGB32 image of size pixels; the caller destroys it.
cairo_surface_t* paintAppIcon(int size);

}  // namespace sorvella
