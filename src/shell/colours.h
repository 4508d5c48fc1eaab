// The house colours of the windows.
#pragma once

#include "platform/forms/form.h"
#include "platform/forms/tab_strip.h"

namespace hp::shell {

class clsPavlin {
 public:
  static constexpr int kWindowBack = 0xF4EFEA;  // 0xBBGGRR: a light warm grey
  static constexpr int kTabBack = 0xFAF7F4;

  void ApplyPavlin(forms::Form& screen) const { screen.BackColor = kWindowBack; }
  void Applytabcolor(forms::TabStrip& tabs) const { tabs.BackColor = kTabBack; }
};

}  // namespace hp::shell
