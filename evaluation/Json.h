#pragma once
// A small JSON writer for vantrel-log's reports: objects, arrays and plain
// values written straight to a stream, commas placed as values follow each
// other. Names and string values are written as given or escaped
// (StringEscaped, which also mends bytes that are not UTF-8, so any file
// name gives a valid document); JSON has no NaN or infinity, so those
// become null.
#include <charconv>  // to_chars: shortest text that reads back as the same float
#include <cmath>     // isfinite
#include <cstdio>

#include "evaluation/Text.h"

namespace vantrel::evaluation {

class JsonWriter {
 public:
  explicit JsonWriter(std::FILE* out) : out_(out) {}
  void Raw(const char* text) { std::fputs(text, out_); }
  void Key(const char* name) {
    Separate();
    std::fprintf(out_, "\"%s\": ", name);
    first_ = true;  // the value follows without a comma
  }
  void String(const char* name, const char* v) {  // v needs no escaping
    Key(name);
    std::fprintf(out_, "\"%s\"", v);
    first_ = false;
  }
  void StringEscaped(const char* name, const char* v) {
    Key(name);
    std::fputc('"', out_);
    const std::string text = ValidUtf8(v);
    for (const char* p = text.c_str(); *p; ++p) {
      const unsigned char c = static_cast<unsigned char>(*p);
      if (c == '"' || c == '\\') std::fprintf(out_, "\\%c", c);
      else if (c < 0x20) std::fprintf(out_, "\\u%04x", c);
      else std::fputc(c, out_);
    }
    std::fputc('"', out_);
    first_ = false;
  }
  void Bool(const char* name, bool v) {
    Key(name);
    Raw(v ? "true" : "false");
    first_ = false;
  }
  void Int(const char* name, long long v) {
    Key(name);
    std::fprintf(out_, "%lld", v);
    first_ = false;
  }
  void Null(const char* name) {
    Key(name);
    Raw("null");
    first_ = false;
  }
  // The shortest text that reads back as the same float.
  void Float(const char* name, float v) {
    Key(name);
    if (!std::isfinite(v)) {
      Raw("null");
    } else {
      char text[32];
      const auto r = std::to_chars(text, text + sizeof text - 1, v);
      *r.ptr = '\0';
      Raw(text);
    }
    first_ = false;
  }
  // A figure with a fixed number of decimals.
  void Fixed(const char* name, double v, int decimals) {
    Key(name);
    if (!std::isfinite(v)) Raw("null");
    else std::fprintf(out_, "%.*f", decimals, v);
    first_ = false;
  }
  void Open(char bracket) {
    Separate();
    std::fputc(bracket, out_);
    first_ = true;
  }
  void Close(char bracket) {
    std::fputc(bracket, out_);
    first_ = false;
  }
  void Element() { Separate(); }

 private:
  void Separate() {
    if (!first_) std::fputs(", ", out_);
    first_ = false;
  }
  std::FILE* out_;
  bool first_ = true;
};

}  // namespace vantrel::evaluation
