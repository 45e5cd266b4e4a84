// The program's version and release date, in one place: the About box, the information page and
// the version resource are made from them, and scripts/package reads the three numbers to name
// and version the installers. Preprocessor definitions only, for the resource compiler.
#pragma once

#define QUENDAL_VERSION_MAJOR 1
#define QUENDAL_VERSION_MINOR 0
#define QUENDAL_VERSION_BUILD 0
#define QUENDAL_RELEASE_DATE "Jan, 2003"

#define QUENDAL_STRINGIZE_(x) #x
#define QUENDAL_STRINGIZE(x) QUENDAL_STRINGIZE_(x)

// What the About box calls the version: major and minor only.
#define QUENDAL_VERSION_SHORT \
  QUENDAL_STRINGIZE(QUENDAL_VERSION_MAJOR) "." QUENDAL_STRINGIZE(QUENDAL_VERSION_MINOR)
#define QUENDAL_VERSION_FULL QUENDAL_VERSION_SHORT "." QUENDAL_STRINGIZE(QUENDAL_VERSION_BUILD)

// The five lines of the About box and the information page; the version line keeps its
// trailing blank.
#define QUENDAL_ABOUT_TEXT \
  "Quendal5.1RIR\n\nVersion " QUENDAL_VERSION_SHORT " \n\n" QUENDAL_RELEASE_DATE
