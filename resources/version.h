// The program's version: the only place it is written down. Orlix.rc takes
// the version resource from here and the About box its program line.
#pragma once

#define ORLIX_VERSION_MAJOR     1
#define ORLIX_VERSION_MINOR     8
#define ORLIX_VERSION_PATCH     0
#define ORLIX_VERSION_BUILD     234

// The resource compiler neither concatenates nor stringizes reliably, so the
// text and the comma form are spelled out; keep them in step with the numbers.
#define ORLIX_VERSION_STRING    "1.8.0.234"
#define ORLIX_VERSION_RC        1,8,0,234

#ifndef RC_INVOKED
#define ORLIX_VERSION_WIDEN_(s) L##s
#define ORLIX_VERSION_WIDEN(s)  ORLIX_VERSION_WIDEN_(s)
#define ORLIX_VERSION_WSTRING   ORLIX_VERSION_WIDEN(ORLIX_VERSION_STRING)
#endif
