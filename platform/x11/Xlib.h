#pragma once
// Xlib for our window code. X.h names a request constant CursorShape, which
// is also one of our types, so the constant goes.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef CursorShape
