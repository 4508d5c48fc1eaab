// Writes JSON text straight into a string, for the windows' descriptions that
// every browser answer carries: no document tree is built, so describing a
// window costs about as much as the text it produces.
//
// The writer places commas itself: open a container, write keys and values in
// order, close it. Keys are written as given (the callers' keys are plain
// identifiers); string values are escaped, and bytes that are not UTF-8 are
// written as U+FFFD so that the text is always valid JSON. Misuse (a value
// where a key is due, closing what is not open) is a programming error and is
// not checked beyond debug assertions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hp::forms {

class JsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();

  // The key of the next value in the open object.
  void Key(std::string_view key);

  void String(std::string_view text);
  void Int(std::int64_t value);
  void Bool(bool value);
  void Null();
  // A value that is JSON text already (made by this writer or a JSON library).
  void Raw(std::string_view json);

  // Key and value at once.
  void Field(std::string_view key, std::string_view text) { Key(key), String(text); }
  void Field(std::string_view key, const std::string& text) { Key(key), String(text); }
  void Field(std::string_view key, const char* text) { Key(key), String(text); }
  void Field(std::string_view key, int value) { Key(key), Int(value); }
  void Field(std::string_view key, std::int64_t value) { Key(key), Int(value); }
  void Field(std::string_view key, bool value) { Key(key), Bool(value); }

  const std::string& Text() const { return out_; }
  // Hands the text over and leaves the writer empty.
  std::string Take();
  void Reserve(size_t bytes) { out_.reserve(bytes); }

 private:
  void BeforeValue();

  std::string out_;
  // One entry per open container: whether it holds an element yet.
  std::vector<bool> filled_;
  bool after_key_ = false;
};

// Appends `text` to `out` as a quoted JSON string (see JsonWriter).
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace hp::forms
