// The size of every record the program hands to Windows or reads from it, as Windows documents
// its layout, for both builds. The system checks a record's size field against the sizes it
// knows, and a record of the wrong size is refused or misread; so a change of headers, of
// packing or of the oldest Windows the build is compiled for shows here, at compile time.
// The mixer records are packed to the byte; the rest follow the natural alignment.
#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>
#include <prsht.h>
#include <shellapi.h>

#include <cstddef>

namespace quendal {

namespace {

constexpr bool kIs32Bit = sizeof(void*) == 4;
static_assert(kIs32Bit || sizeof(void*) == 8);

// The size a record has in this build: 32-bit or 64-bit.
constexpr std::size_t Size(std::size_t in32Bit, std::size_t in64Bit) {
  return kIs32Bit ? in32Bit : in64Bit;
}

}  // namespace

// The mixer (master volume).
static_assert(sizeof(MIXERCAPSA) == 48);
static_assert(sizeof(MIXERLINEA) == Size(168, 172));
static_assert(sizeof(MIXERCONTROLA) == 148);
static_assert(sizeof(MIXERLINECONTROLSA) == Size(24, 28));
static_assert(sizeof(MIXERCONTROLDETAILS) == Size(24, 32));
static_assert(sizeof(MIXERCONTROLDETAILS_UNSIGNED) == 4);

// The tray record as Windows XP knows it (NOTIFYICONDATAW_V3_SIZE): the larger record of later
// systems, with the balloon's own icon, is refused there.
static_assert(sizeof(NOTIFYICONDATAW) == Size(952, 968));
static_assert(sizeof(NOTIFYICONIDENTIFIER) == Size(28, 40));

// The property sheet and its pages.
static_assert(sizeof(PROPSHEETHEADERW) == Size(52, 96));
static_assert(sizeof(PROPSHEETPAGEW) == Size(52, 96));
static_assert(sizeof(DLGTEMPLATE) == 18);
static_assert(sizeof(INITCOMMONCONTROLSEX) == 8);

// Menus and windows.
static_assert(sizeof(MENUITEMINFOW) == Size(48, 80));
static_assert(sizeof(WNDCLASSEXW) == Size(48, 80));
static_assert(sizeof(MSG) == Size(28, 48));
static_assert(sizeof(PAINTSTRUCT) == Size(64, 72));
static_assert(sizeof(DRAWITEMSTRUCT) == Size(48, 64));
static_assert(sizeof(NMHDR) == Size(12, 24));
static_assert(sizeof(RECT) == 16);
static_assert(sizeof(POINT) == 8);
static_assert(sizeof(BITMAP) == Size(24, 32));

}  // namespace quendal
