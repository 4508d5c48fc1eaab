// Makes the module's windows. The shell opens the register and the working
// screens through it without depending on the folders that define them.
#pragma once

#include <memory>

#include "platform/forms/form.h"

namespace hp::shell {

class BasModule;

class WindowFactory {
 public:
  virtual ~WindowFactory() = default;
  virtual std::unique_ptr<forms::Form> MakeRegister(BasModule& bas) = 0;
  virtual std::unique_ptr<forms::Form> MakeProcessing(BasModule& bas) = 0;
  virtual std::unique_ptr<forms::Form> MakeReprocessing(BasModule& bas) = 0;
  virtual std::unique_ptr<forms::Form> MakeAfterSettlement(BasModule& bas) = 0;
};

}  // namespace hp::shell
