#include "cli/Options.h"

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

#include "util/SystemCpus.h"

namespace trawlix {

const char* const kUsageText =
    "Usage: trawlix-cli [OPTIONS] -t TEXT FOLDER...\n"
    "Finds TEXT in the files of each FOLDER whose names match the masks and prints\n"
    "every line that holds it, grouped under the path of its file.\n"
    "\n"
    "  -t, --text TEXT        the text to find, used as typed (not trimmed)\n"
    "  -m, --masks MASKTEXT   file masks separated by \";\" (default \"*.*\")\n"
    "  -w, --whole-word       the text must stand between blanks or the line's ends\n"
    "  -c, --case-sensitive   upper and lower case must match exactly\n"
    "  -r, --recursive        search each FOLDER and all its subfolders\n"
    "  -i, --index            print each line's record number (-1 for none) and a tab first\n"
    "  -s, --samples          print each match's context lines after it, after a tab\n"
    "      --crlf             end every line with CR LF instead of LF\n"
    "  -j, --threads N        search with N threads (default: one per usable processor;\n"
    "                         1 searches every file in turn on one thread)\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "\n"
    "Exit status: 0 if a line matched and nothing failed, 1 if none matched and nothing\n"
    "failed, 2 if a file or folder could not be read (its report is printed with the\n"
    "results, whether lines matched or not) or on any other error.\n";

const char* const kVersionText = "trawlix-cli " TRAWLIX_VERSION "\n";

namespace {

using Action = TParsedCommandLine::Action;

// An option sets a text, turns a switch on, or asks for help or the version.
struct OptionSpec {
  char shortName;  // 0 when there is none
  const char* longName;
  std::string TCliOptions::*text = nullptr;
  bool TCliOptions::*flag = nullptr;
  Action action = Action::Search;
  size_t TCliOptions::*number = nullptr;

  bool TakesValue() const { return text != nullptr || number != nullptr; }
};

const OptionSpec kOptions[] = {
    {'t', "text", &TCliOptions::searchText},
    {'m', "masks", &TCliOptions::maskText},
    {'w', "whole-word", nullptr, &TCliOptions::wholeWord},
    {'c', "case-sensitive", nullptr, &TCliOptions::caseSensitive},
    {'r', "recursive", nullptr, &TCliOptions::recursive},
    {'i', "index", nullptr, &TCliOptions::index},
    {'s', "samples", nullptr, &TCliOptions::samples},
    {0, "crlf", nullptr, &TCliOptions::crlf},
    {'j', "threads", nullptr, nullptr, Action::Search, &TCliOptions::threads},
    {'h', "help", nullptr, nullptr, Action::Help},
    {0, "version", nullptr, nullptr, Action::Version},
};

const OptionSpec* FindShort(char c) {
  for (const OptionSpec& spec : kOptions) {
    if (spec.shortName != 0 && spec.shortName == c) return &spec;
  }
  return nullptr;
}

const OptionSpec* FindLong(std::string_view name) {
  for (const OptionSpec& spec : kOptions) {
    if (name == spec.longName) return &spec;
  }
  return nullptr;
}

class TParser {
 public:
  TParser(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

  TParsedCommandLine Parse() {
    bool optionsEnded = false;
    while (next_ < argc_ && Going()) {
      std::string_view arg = argv_[next_++];
      if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
        result_.options.folders.emplace_back(arg);
      } else if (arg == "--") {
        optionsEnded = true;
      } else if (arg.starts_with("--")) {
        ParseLong(arg.substr(2));
      } else {
        ParseCluster(arg.substr(1));
      }
    }
    if (Going() && !haveText_) Fail("missing the search text (-t TEXT)");
    if (Going() && result_.options.folders.empty()) Fail("missing FOLDER");
    return result_;
  }

 private:
  bool Going() const { return result_.action == Action::Search; }

  void Fail(std::string message) {
    result_.action = Action::UsageError;
    result_.error = std::move(message);
  }

  void ParseLong(std::string_view body) {
    size_t equals = body.find('=');
    std::string_view name = body.substr(0, equals);
    std::string shown = "--" + std::string(name);
    const OptionSpec* spec = FindLong(name);
    if (spec == nullptr) {
      Fail("unknown option '" + shown + "'");
    } else if (equals == std::string_view::npos) {
      spec->TakesValue() ? ApplyNextValue(*spec, shown) : Apply(*spec, {});
    } else if (spec->TakesValue()) {
      Apply(*spec, body.substr(equals + 1));
    } else {
      Fail("option '" + shown + "' takes no value");
    }
  }

  void ParseCluster(std::string_view cluster) {
    for (size_t k = 0; k < cluster.size() && Going(); ++k) {
      const OptionSpec* spec = FindShort(cluster[k]);
      std::string shown = std::string("-") + cluster[k];
      if (spec == nullptr) {
        Fail("unknown option '" + shown + "'");
      } else if (!spec->TakesValue()) {
        Apply(*spec, {});
      } else if (k + 1 < cluster.size()) {
        Apply(*spec, cluster.substr(k + 1));  // the rest of the cluster is the value
        return;
      } else {
        ApplyNextValue(*spec, shown);
      }
    }
  }

  void ApplyNextValue(const OptionSpec& spec, const std::string& shown) {
    if (next_ < argc_) {
      Apply(spec, argv_[next_++]);
    } else {
      Fail("option '" + shown + "' needs a value");
    }
  }

  void Apply(const OptionSpec& spec, std::string_view value) {
    if (spec.number != nullptr) {
      ApplyNumber(spec, value);
      return;
    }
    if (spec.text != nullptr) result_.options.*spec.text = value;
    if (spec.flag != nullptr) result_.options.*spec.flag = true;
    if (spec.text == &TCliOptions::searchText) haveText_ = true;
    result_.action = spec.action;
  }

  void ApplyNumber(const OptionSpec& spec, std::string_view value) {
    constexpr size_t kMost = 1024;
    size_t number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < 1 ||
        number > kMost) {
      Fail("option '--" + std::string(spec.longName) + "' takes a number from 1 to " +
           std::to_string(kMost));
      return;
    }
    result_.options.*spec.number = number;
  }

  int argc_;
  const char* const* argv_;
  int next_ = 1;
  bool haveText_ = false;
  TParsedCommandLine result_;
};

}  // namespace

TParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  return TParser(argc, argv).Parse();
}

size_t SearchThreadsOf(const TCliOptions& options) {
  return options.threads > 0 ? options.threads : UsableCpus();
}

}  // namespace trawlix
