#pragma once
// Text is kept as bytes; only the screen decodes it: UTF-8 where the bytes are valid
// UTF-8, else byte for byte as Latin-1, so every byte shows and nothing is lost.
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace trawlix {

QString ScreenText(std::string_view bytes);
// The first `maxBytes` of `bytes` (all of them when there are no more) as ScreenText
// decodes them, cut before a UTF-8 character that would not fit whole. Only the three
// bytes after the cut are looked at, so `bytes` may itself be cut at maxBytes + 3.
QString ScreenTextStart(std::string_view bytes, size_t maxBytes);
// Where ScreenTextStart cuts: at maxBytes, or up to three bytes before it so that no UTF-8
// character is split.
size_t ScreenTextCut(std::string_view bytes, size_t maxBytes);
// Rewrites each byte offset of `bytes` (ascending, none past its end) as the position it
// has in `shown`, which is ScreenText(bytes): a character of several UTF-8 bytes takes one
// position (two beyond U+FFFF), and a byte-order mark at the start none.
void ScreenTextPositions(std::string_view bytes, const QString& shown,
                         std::vector<size_t>& offsets);
// Text typed on the screen, as the bytes the program works with (UTF-8).
std::string BytesOf(const QString& text);

}  // namespace trawlix
