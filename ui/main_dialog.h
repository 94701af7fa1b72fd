// The main dialog: with a package layout (dialog 113) it shows the packer's
// description, picture and link; without one (dialog 114) a fixed text with
// download and order buttons. Its decrypt button runs one decryption
// attempt; a successful attempt closes it, a failed one leaves it open.
#pragma once

#include "ui/windows_api.h"

#include "app/payload.h"

namespace mv::ui {

// Registers the link control's class, then runs dialog 113 (has_layout 1) or
// 114 modally without owner, with the layout as its parameter (kept as the
// property "pLayoutContext"). The dialog's result: 0.
INT_PTR RunMainDialog(const PayloadLayout& layout);

// The same dialog 113 with the layout, owned by owner, as a preview of what
// a receiver will see: it acts on nothing, each of its buttons and its link
// only close it. Returns 0.
INT_PTR PreviewMainDialog(HWND owner, const PayloadLayout& layout);

// The layout's picture for the main dialog: written to a new temporary
// "qzp_*.bmp" file, loaded from there (stretched to exactly the size of the
// picture frame 1011 when it is wider or taller), and the file deleted
// again. Null when the layout has no picture or it cannot be loaded.
HBITMAP LoadLayoutBitmap(HWND dialog);

}  // namespace mv::ui
