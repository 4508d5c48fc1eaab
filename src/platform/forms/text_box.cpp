#include "platform/forms/text_box.h"

#include "platform/forms/json_writer.h"

#include <algorithm>

#include "platform/forms/basic_controls.h"
#include "platform/forms/form.h"

namespace hp::forms {

// Byte offset of character `chars` in a UTF-8 text (clamped to its end).
size_t Utf8ByteOffset(const std::string& s, size_t chars) {
  size_t i = 0;
  while (i < s.size() && chars > 0) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    --chars;
  }
  return i;
}

std::string EncodeUtf8(int cp) {
  std::string s;
  auto c = static_cast<unsigned>(cp);
  // What is no character (a surrogate, beyond U+10FFFF, negative) is written
  // as the replacement character: the text must stay valid UTF-8.
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

unsigned DecodeFirst(const std::string& s) {
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  if (s.empty()) return 0;
  unsigned c = b(0);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
  unsigned cp = c & (0x3F >> extra);
  for (int i = 1; i <= extra && static_cast<size_t>(i) < s.size(); ++i) cp = (cp << 6) | (b(i) & 0x3F);
  return cp;
}


std::string WithoutNul(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  return text;
}

size_t CharCount(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

TextBox::TextBox(Form& owner, std::string name) : Control(owner, std::move(name), "text") {}

void TextBox::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  int n = static_cast<int>(CharCount(text_));
  if (SelStart > n) SelStart = n;
  if (SelStart + SelLength > n) SelLength = n - SelStart;
  if (Change) Change();
}

void TextBox::ApplyKey(int key, const std::string& typed, int sel_start, int sel_length) {
  int n = static_cast<int>(CharCount(text_));
  int start = sel_start < 0 || sel_start > n ? n : sel_start;
  int length = std::max(0, std::min(sel_length, n - start));
  std::string next = text_;
  size_t b0 = Utf8ByteOffset(next, static_cast<size_t>(start));
  size_t b1 = Utf8ByteOffset(next, static_cast<size_t>(start + length));
  if (key == 8) {
    if (length == 0 && start > 0) {
      b0 = Utf8ByteOffset(next, static_cast<size_t>(start - 1));
      --start;
    }
    next.erase(b0, b1 - b0);
  } else if ((key >= 32 && key < kSpecialKey) || key == 9 || (key == 10 && MultiLine)) {
    // A key handler may have changed the key (upper-casing, say): the text
    // typed counts only when the key is still the one typed.
    std::string ch = EncodeUtf8(key);
    if (!typed.empty() && static_cast<int>(DecodeFirst(typed)) == key) ch = typed;
    if (MaxLength > 0 && static_cast<int>(CharCount(next)) - length + static_cast<int>(CharCount(ch)) > MaxLength) return;
    next.replace(b0, b1 - b0, ch);
    start += static_cast<int>(CharCount(ch));
  } else {
    return;
  }
  SelStart = start;
  SelLength = 0;
  SetText(std::move(next));
  SelStart = start;
}

void TextBox::Handle(const Event& e) {
  if (e.type == "change") {
    if (Locked) Refuse("is locked");
    std::string v = WithoutNul(e.value);
    if (MaxLength > 0 && static_cast<int>(CharCount(v)) > MaxLength) v.resize(Utf8ByteOffset(v, MaxLength));
    SelStart = static_cast<int>(CharCount(v));
    SelLength = 0;
    SetText(std::move(v));
    return;
  }
  if (e.type == "key") {
    int key = PressKey(e.key);
    if (key == 13 && !KeyPress && Owner().DefaultButton && !MultiLine) {
      Owner().DefaultButton->Press();
      return;
    }
    if (key != 0 && key != 13 && key != 27) {
      if (Locked) Refuse("is locked");
      ApplyKey(key, e.value, e.sel_start, e.sel_length);
    }
    if (key != 0 && KeyUp) KeyUp(key);
    return;
  }
  Control::Handle(e);
}

void TextBox::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Field("text", text_);
  if (MaxLength) out.Field("maxLength", MaxLength);
  if (MultiLine) out.Field("multiLine", true);
  if (PasswordChar) out.Field("password", true);
}

}  // namespace hp::forms
