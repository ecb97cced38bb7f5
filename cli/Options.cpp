#include "cli/Options.h"

#include <string_view>

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
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "\n"
    "Exit status: 0 if a line matched, 1 if none did, 2 on an error.\n";

const char* const kVersionText = "trawlix-cli " TRAWLIX_VERSION "\n";

namespace {

enum class Id {
  Text,
  Masks,
  WholeWord,
  CaseSensitive,
  Recursive,
  Index,
  Samples,
  Crlf,
  Help,
  Version
};

struct OptionSpec {
  char shortName;  // 0 when there is none
  const char* longName;
  Id id;
  bool takesValue;
};

constexpr OptionSpec kOptions[] = {
    {'t', "text", Id::Text, true},
    {'m', "masks", Id::Masks, true},
    {'w', "whole-word", Id::WholeWord, false},
    {'c', "case-sensitive", Id::CaseSensitive, false},
    {'r', "recursive", Id::Recursive, false},
    {'i', "index", Id::Index, false},
    {'s', "samples", Id::Samples, false},
    {0, "crlf", Id::Crlf, false},
    {'h', "help", Id::Help, false},
    {0, "version", Id::Version, false},
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
    bool haveText = false;
    bool optionsEnded = false;
    for (next_ = 1; next_ < argc_ && Going();) {
      std::string_view arg = argv_[next_++];
      if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
        result_.options.folders.emplace_back(arg);
      } else if (arg == "--") {
        optionsEnded = true;
      } else if (arg.starts_with("--")) {
        haveText |= ParseLong(arg.substr(2));
      } else {
        haveText |= ParseCluster(arg.substr(1));
      }
    }
    if (!Going()) return result_;
    if (!haveText) return Fail("missing the search text (-t TEXT)");
    if (result_.options.folders.empty()) return Fail("missing FOLDER");
    return result_;
  }

 private:
  bool Going() const { return result_.action == TParsedCommandLine::Action::Search; }

  TParsedCommandLine Fail(std::string message) {
    if (Going()) {
      result_.action = TParsedCommandLine::Action::UsageError;
      result_.error = std::move(message);
    }
    return result_;
  }

  // Returns whether the search text was set.
  bool ParseLong(std::string_view body) {
    size_t equals = body.find('=');
    std::string_view name = body.substr(0, equals);
    const OptionSpec* spec = FindLong(name);
    std::string shown = "--" + std::string(name);
    if (spec == nullptr) {
      Fail("unknown option '" + shown + "'");
      return false;
    }
    if (!spec->takesValue) {
      if (equals != std::string_view::npos) {
        Fail("option '" + shown + "' takes no value");
        return false;
      }
      return Apply(*spec, {});
    }
    if (equals != std::string_view::npos) return Apply(*spec, body.substr(equals + 1));
    return ApplyNextValue(*spec, shown);
  }

  bool ParseCluster(std::string_view cluster) {
    bool haveText = false;
    for (size_t k = 0; k < cluster.size() && Going(); ++k) {
      const OptionSpec* spec = FindShort(cluster[k]);
      std::string shown = std::string("-") + cluster[k];
      if (spec == nullptr) {
        Fail("unknown option '" + shown + "'");
      } else if (!spec->takesValue) {
        haveText |= Apply(*spec, {});
      } else if (k + 1 < cluster.size()) {
        return haveText | Apply(*spec, cluster.substr(k + 1));
      } else {
        haveText |= ApplyNextValue(*spec, shown);
      }
    }
    return haveText;
  }

  bool ApplyNextValue(const OptionSpec& spec, const std::string& shown) {
    if (next_ >= argc_) {
      Fail("option '" + shown + "' needs a value");
      return false;
    }
    return Apply(spec, argv_[next_++]);
  }

  bool Apply(const OptionSpec& spec, std::string_view value) {
    TCliOptions& o = result_.options;
    switch (spec.id) {
      case Id::Text:
        o.searchText = value;
        return true;
      case Id::Masks:
        o.maskText = value;
        break;
      case Id::WholeWord:
        o.wholeWord = true;
        break;
      case Id::CaseSensitive:
        o.caseSensitive = true;
        break;
      case Id::Recursive:
        o.recursive = true;
        break;
      case Id::Index:
        o.index = true;
        break;
      case Id::Samples:
        o.samples = true;
        break;
      case Id::Crlf:
        o.crlf = true;
        break;
      case Id::Help:
        result_.action = TParsedCommandLine::Action::Help;
        break;
      case Id::Version:
        result_.action = TParsedCommandLine::Action::Version;
        break;
    }
    return false;
  }

  int argc_;
  const char* const* argv_;
  int next_ = 1;
  TParsedCommandLine result_;
};

}  // namespace

TParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  return TParser(argc, argv).Parse();
}
