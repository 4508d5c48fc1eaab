// The module's window factory: the register and the three working screens.
#pragma once

#include <memory>

#include "shell/windows.h"

namespace hp::reg {

// A factory making FrmMaster for MakeRegister. The working screens are not
// wired yet: their Make* functions throw std::runtime_error.
std::unique_ptr<shell::WindowFactory> MakeWindowFactory();

}  // namespace hp::reg
