// A one-line (or multi-line) text box. The user's typing arrives key by key:
// KeyPress may change or swallow the key, then the key is applied at the
// caret (backspace deletes, a character replaces the selection), Change runs
// when the text changed, then KeyUp. A pasted text arrives whole and raises
// only Change. Setting Text from code raises Change too, as the windows rely on
// it ("txtTotRental_Change").
#pragma once

#include <functional>
#include <string>

#include "platform/forms/control.h"

namespace hp::forms {

class TextBox : public Control {
 public:
  TextBox(Form& owner, std::string name);

  const std::string& Text() const { return text_; }
  void SetText(std::string text);  // raises Change when the text differs

  int MaxLength = 0;  // characters; 0 = no limit
  bool MultiLine = false;
  bool PasswordChar = false;
  int SelStart = 0;
  int SelLength = 0;

  std::function<void()> Change;

  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;
  std::string ValueSignature() const override { return text_; }

 protected:
  bool Focusable() const override { return true; }

 private:
  void ApplyKey(int key, const std::string& typed, int sel_start, int sel_length);
  std::string text_;
};

// The text without NUL characters: a paste can carry them, typing cannot, and
// no database stores them in text.
std::string WithoutNul(std::string text);

// Byte offset of character `chars` of a UTF-8 text, clamped to its end.
size_t Utf8ByteOffset(const std::string& s, size_t chars);
// The UTF-8 text of one character (code point); U+FFFD for a value that is
// no character (a surrogate, beyond U+10FFFF, negative).
std::string EncodeUtf8(int code_point);
// The first character (code point) of a UTF-8 text; 0 for an empty text.
unsigned DecodeFirst(const std::string& s);

// Number of characters (code points) of a UTF-8 text.
size_t CharCount(const std::string& utf8);

}  // namespace hp::forms
