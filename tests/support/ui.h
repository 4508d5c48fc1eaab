// Drives windows in tests the way the browser does: every action goes through
// Form::Dispatch, so a disabled or hidden control refuses it as it would for
// a user.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/form.h"

namespace hp::testing {

void Click(forms::Form& form, const std::string& control);
void DblClick(forms::Form& form, const std::string& control, int item = -1);
// Types the text key by key at the end of the box (each key through KeyPress).
void Type(forms::Form& form, const std::string& control, const std::string& text);
// Replaces the whole text at once, as a paste does (no key filtering).
void Paste(forms::Form& form, const std::string& control, const std::string& text);
void Key(forms::Form& form, const std::string& control, int key);
// Chooses a combo entry, list row or tab by position.
void Choose(forms::Form& form, const std::string& control, int item);
// Chooses the combo entry carrying `item_data`; fails the test when none does.
void ChooseData(forms::Form& form, const std::string& control, std::int64_t item_data);
// Clicks a grid cell.
void ClickCell(forms::Form& form, const std::string& control, int row, int col);
void Tick(forms::Form& form, const std::string& control, int item, bool on);

}  // namespace hp::testing
