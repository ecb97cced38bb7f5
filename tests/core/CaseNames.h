#pragma once
// Names for the rows of parameterised tests, made from the rows' own texts, so that a test
// is called the same on every run and can be named in a filter. A test name holds only
// letters, digits and '_': letters and digits stay, the marks that masks, paths and line
// ends are made of become words, any other byte its hex value, and a run of more than
// three of one byte its count.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

namespace trawlix {

inline std::string NameOfText(std::string_view text) {
  if (text.empty()) return "empty";
  static constexpr std::pair<char, const char*> kWords[] = {
      {'*', "star"},   {'?', "qmark"},  {'.', "dot"},    {'/', "slash"},     {'\\', "backslash"},
      {';', "semi"},   {':', "colon"},  {'"', "quote"},  {'\'', "apos"},     {' ', "blank"},
      {'\t', "tab"},   {'\r', "cr"},    {'\n', "lf"},    {'\0', "nul"},      {'(', "lparen"},
      {')', "rparen"}, {'{', "lbrace"}, {'}', "rbrace"}, {'_', "underscore"}};
  const auto word = [](char c) -> std::string {
    for (const auto& [mark, name] : kWords)
      if (mark == c) return name;
    char hex[4];
    std::snprintf(hex, sizeof hex, "x%02X", static_cast<unsigned char>(c));
    return hex;
  };
  const auto alnum = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  };
  std::string name;
  bool inWord = false;  // the last piece was a letter or digit, which the next one joins
  for (size_t i = 0; i < text.size();) {
    size_t run = 1;
    while (i + run < text.size() && text[i + run] == text[i]) ++run;
    const bool counted = run > 3;
    const bool letter = alnum(text[i]) && !counted;
    if (!name.empty() && !(letter && inWord)) name += '_';
    if (counted) name += std::to_string(run) + '_';
    name += alnum(text[i]) ? std::string(1, text[i]) : word(text[i]);
    inWord = letter;
    i += counted ? run : 1;
  }
  return name;
}

// The name generator of a table whose rows differ in the text `field`.
template <auto field>
struct NamedAfter {
  template <typename Row>
  std::string operator()(const testing::TestParamInfo<Row>& info) const {
    return NameOfText(info.param.*field);
  }
};

}  // namespace trawlix
