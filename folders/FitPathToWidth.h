#pragma once
// Shortening a path from the left until it fits a label: "/usr/share/doc/pkg" becomes
// "/.../share/doc/pkg", "/.../doc/pkg", "/.../pkg", ".../pkg" and last "pkg"; the first
// form that fits is taken. The name after the last "/" is never cut.
#include <functional>
#include <string>

namespace trawlix {

// The width of a text in pixels, as the label's font draws it.
using TTextWidth = std::function<int(const std::string&)>;

std::string FitPathToWidth(const std::string& path, int width, const TTextWidth& textWidth);

}  // namespace trawlix
