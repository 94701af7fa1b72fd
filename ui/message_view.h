// The message view (116) after a package with an e-mail text was decrypted:
// the text in a fixed-pitch font, a row naming the attached files (gone when
// there are none), and buttons to save the text, copy it to the clipboard
// and save the attachments through the folder dialog. The text field may be
// edited, but saving and copying always use the package's own text.
#pragma once

#include "ui/windows_api.h"

#include "app/self_extractor.h"
#include "base/string.h"

namespace mv::ui {

// Runs dialog 116 modally for the attempt's extractor. Always 0.
INT_PTR RunMessageView(HWND owner, SelfExtractor* extractor);

}  // namespace mv::ui
