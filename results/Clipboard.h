#pragma once
// Puts text on the desktop's clipboard as the exact bytes, replacing what it held.
#include <string>

namespace trawlix {

// "text/plain" carries the bytes unchanged; where they are valid UTF-8 the same text is
// also offered as Unicode text. Throws EClipboardException("Cannot open clipboard") when
// the program has no clipboard.
void SetClipboardBytes(const std::string& bytes);

}  // namespace trawlix
