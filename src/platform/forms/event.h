// One user action on one control, as the browser (or a test) sends it.
#pragma once

#include <stdexcept>
#include <string>

namespace hp::forms {

// Event types understood by the controls:
//   click, dblclick      buttons, options, check boxes, lists, grids
//   key                  a key typed: `key` is its character code (13 Enter,
//                        8 backspace, 27 Esc), `value` the character's text;
//                        runs KeyPress, applies the key, then KeyUp
//   change               a whole new text or value (paste, date picker)
//   focus                the control takes the focus
//   select               list or grid row (`item`, or `row`/`col`), combo entry, tab
//   check                list row tick (`item`, `value` "1"/"0")
//   mousedown            `button` 1 left, 2 right
//   mousemove            grid cell under the mouse (`row`, `col`)
//   scroll               grid top row (`row`)
//   colwidth             grid column width (`col`, `value` in twips)
//   menu                 pop-up menu item chosen (`value` its name, empty: dismissed)
struct Event {
  std::string control;
  std::string type;
  std::string value;
  int key = 0;
  int item = -1;
  int row = -1;
  int col = -1;
  int button = 0;
  int sel_start = -1;   // text boxes: caret position in characters, -1 = at the end
  int sel_length = 0;
};

// Keys without a character arrive as `key` kSpecialKey + their key code: above
// every Unicode character, so no letter typed can pass for an arrow.
constexpr int kSpecialKey = 0x110000;
constexpr int kArrowUp = kSpecialKey + 38;
constexpr int kArrowDown = kSpecialKey + 40;
constexpr int kPageUp = kSpecialKey + 33;
constexpr int kPageDown = kSpecialKey + 34;
constexpr int kHome = kSpecialKey + 36;
constexpr int kEnd = kSpecialKey + 35;

// Thrown by Form::Dispatch for an event that must not be applied. The web
// layer answers kUnknown with 400 and kRefused with 409; nothing has changed.
class EventError : public std::runtime_error {
 public:
  enum Kind { kUnknown, kRefused };
  EventError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

}  // namespace hp::forms
