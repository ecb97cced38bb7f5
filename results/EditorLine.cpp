#include "results/EditorLine.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace trawlix {

namespace {

enum class TLineForm {
  PlusBeforeFile,  // +N file
  PlusAfterFile,   // file +N
  LineOption,      // --line N file
  LineEquals,      // --line=N file
  GotoSuffix,      // --goto file:N
  Suffix,          // file:N
};

struct TLineTaker {
  std::string_view program;
  TLineForm form;
};

// From each editor's own documentation; gnome-text-editor 43 takes no line.
constexpr TLineTaker kLineTakers[] = {
    {"code", TLineForm::GotoSuffix},            // code --help: -g --goto <file:line[:character]>
    {"codium", TLineForm::GotoSuffix},          // the same program, built from the same source
    {"emacs", TLineForm::PlusBeforeFile},       // emacs(1): +number, for the next file
    {"featherpad", TLineForm::PlusBeforeFile},  // featherpad --help: +<L>
    {"fpad", TLineForm::PlusBeforeFile},        // the same program
    {"geany", TLineForm::PlusBeforeFile},       // geany(1): geany [option] [+number] [files]
    {"gedit", TLineForm::PlusAfterFile},        // gedit(1): gedit [FILE...] [+LINE[:COLUMN]]
    {"gvim", TLineForm::PlusBeforeFile},        // vim(1): +[num], for the first file
    {"kate", TLineForm::LineOption},            // kate --help: -l, --line <line>
    {"kwrite", TLineForm::LineOption},          // kwrite --help: -l, --line <line>
    {"mousepad", TLineForm::LineEquals},        // mousepad --help: -l, --line=LINE
    {"notepadqq", TLineForm::LineOption},       // notepadqq(1): -l, --line <line>
    {"pluma", TLineForm::PlusBeforeFile},       // pluma(1): pluma +156 FILE
    // subl --help: "Filenames may be given a :line or :line:column suffix"; its desktop
    // entry starts the same program as sublime_text.
    {"subl", TLineForm::Suffix},
    {"sublime_text", TLineForm::Suffix},
    {"xed", TLineForm::PlusBeforeFile},  // xed(1): +[num], for the first file
};

}  // namespace

void AddLineArguments(std::vector<std::string>& command, size_t file, int64_t line) {
  if (file >= command.size()) return;
  const std::string_view path = command[0];
  const std::string_view program = path.substr(path.rfind('/') + 1);
  const auto taker = std::find_if(std::begin(kLineTakers), std::end(kLineTakers),
                                  [program](const TLineTaker& t) { return t.program == program; });
  if (taker == std::end(kLineTakers)) return;
  const std::string number = std::to_string(line);
  const auto at = command.begin() + static_cast<std::ptrdiff_t>(file);
  switch (taker->form) {
    case TLineForm::PlusBeforeFile:
      command.insert(at, "+" + number);
      break;
    case TLineForm::PlusAfterFile:
      command.insert(at + 1, "+" + number);
      break;
    case TLineForm::LineOption:
      command.insert(at, {"--line", number});
      break;
    case TLineForm::LineEquals:
      command.insert(at, "--line=" + number);
      break;
    case TLineForm::GotoSuffix:
      command[file] += ":" + number;
      command.insert(at, "--goto");
      break;
    case TLineForm::Suffix:
      command[file] += ":" + number;
      break;
  }
}

}  // namespace trawlix
