#include "util/errors.h"

#include <cstring>

namespace trawlix {

std::string SystemErrorText(int errorNumber) {
  char scratch[256];
  // The GNU strerror_r returns either scratch or a static text.
  std::string text = strerror_r(errorNumber, scratch, sizeof scratch);
  while (!text.empty()) {
    const unsigned char last = static_cast<unsigned char>(text.back());
    if (last > ' ' && last != '.' && last != 127) break;
    text.pop_back();
  }
  return text;
}

}  // namespace trawlix
