#include "platform/forms/json_writer.h"

#include <cassert>
#include <charconv>

namespace hp::forms {
namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence starting at s[i] (1-4), or 0
// when the bytes there are not one.
size_t SequenceLength(std::string_view s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  const size_t left = s.size() - i;
  auto cont = [&](size_t k) { return k < left && (byte(i + k) & 0xC0) == 0x80; };
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return cont(1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) {
    if (!cont(1) || !cont(2)) return 0;
    const unsigned char b1 = byte(i + 1);
    if (b == 0xE0 && b1 < 0xA0) return 0;  // overlong
    if (b == 0xED && b1 > 0x9F) return 0;  // surrogate
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3)) return 0;
    const unsigned char b1 = byte(i + 1);
    if (b == 0xF0 && b1 < 0x90) return 0;  // overlong
    if (b == 0xF4 && b1 > 0x8F) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  size_t run = 0;  // start of the bytes not yet copied
  size_t i = 0;
  auto flush = [&] { out.append(text.data() + run, i - run); };
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const size_t n = SequenceLength(text, i);
      if (n != 0) {
        i += n;
        continue;
      }
      flush();
      out.append(kReplacement);
      run = ++i;
      continue;
    }
    flush();
    switch (c) {
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      case '\b': out.append("\\b"); break;
      case '\f': out.append("\\f"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '\t': out.append("\\t"); break;
      default:
        out.append("\\u00");
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
    run = ++i;
  }
  flush();
  out.push_back('"');
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (!filled_.empty()) {
    if (filled_.back()) out_.push_back(',');
    filled_.back() = true;
  }
}

void JsonWriter::BeginObject() {
  BeforeValue();
  out_.push_back('{');
  filled_.push_back(false);
}

void JsonWriter::EndObject() {
  assert(!filled_.empty() && !after_key_);
  filled_.pop_back();
  out_.push_back('}');
}

void JsonWriter::BeginArray() {
  BeforeValue();
  out_.push_back('[');
  filled_.push_back(false);
}

void JsonWriter::EndArray() {
  assert(!filled_.empty() && !after_key_);
  filled_.pop_back();
  out_.push_back(']');
}

void JsonWriter::Key(std::string_view key) {
  assert(!filled_.empty() && !after_key_);
  if (filled_.back()) out_.push_back(',');
  filled_.back() = true;
  AppendJsonString(out_, key);
  out_.push_back(':');
  after_key_ = true;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  AppendJsonString(out_, text);
}

void JsonWriter::Int(std::int64_t value) {
  BeforeValue();
  char buf[24];
  const char* end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  out_.append(buf, static_cast<size_t>(end - buf));
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_.append(value ? "true" : "false");
}

void JsonWriter::Null() {
  BeforeValue();
  out_.append("null");
}

void JsonWriter::Raw(std::string_view json) {
  BeforeValue();
  out_.append(json);
}

std::string JsonWriter::Take() {
  std::string text = std::move(out_);
  out_.clear();
  filled_.clear();
  after_key_ = false;
  return text;
}

}  // namespace hp::forms
