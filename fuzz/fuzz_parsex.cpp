// ParseX with every option combination and any non-empty delimiter. It may stop with its
// own stack-overflow error and nothing else; the count it returns is the list's size, and
// with the options off it keeps every byte and a one-byte delimiter splits exactly there.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "FuzzCheck.h"
#include "util/errors.h"
#include "util/text.h"

using namespace trawlix;

namespace {

// Every delimiter ends a token, also an empty one; the piece after the last is kept only
// when it is not empty.
TStringList PlainSplit(const std::string& text, char delimiter) {
  TStringList pieces;
  std::string token;
  for (const char c : text) {
    if (c == delimiter) {
      pieces.push_back(token);
      token.clear();
    } else {
      token += c;
    }
  }
  if (!token.empty()) pieces.push_back(token);
  return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const bool doubleQuotes = input.ConsumeBool();
  const bool singleQuotes = input.ConsumeBool();
  const bool braces = input.ConsumeBool();
  std::string delimiter = input.ConsumeRandomLengthString(8);
  if (delimiter.empty()) delimiter = ";";
  const std::string text = input.ConsumeRemainingBytesAsString();

  TStringList list{"left over"};
  int count = -1;
  try {
    count = ParseX(text, delimiter, doubleQuotes, singleQuotes, braces, list);
  } catch (const Exception& e) {
    Require(e.Message() == "Stack overflow in function Text.ParseX.", e.Message());
    return 0;
  }
  Require(count == static_cast<int>(list.size()), "count differs from the list's size");
  if (doubleQuotes || singleQuotes || braces) return 0;
  // Without sections every byte is kept, so the pieces joined by the delimiter give the
  // text back, with one more delimiter when the text ends in one.
  std::string joined;
  for (size_t i = 0; i < list.size(); ++i) joined += (i > 0 ? delimiter : "") + list[i];
  Require(text == joined || (!list.empty() && text == joined + delimiter), "pieces lose bytes");
  if (delimiter.size() == 1) Require(list == PlainSplit(text, delimiter[0]), "plain split differs");
  return 0;
}
