#include "register/window_factory.h"

#include <stdexcept>

#include "register/frm_master.h"

namespace hp::reg {
namespace {

class ModuleWindows : public shell::WindowFactory {
 public:
  std::unique_ptr<forms::Form> MakeRegister(shell::BasModule& bas) override {
    return std::make_unique<FrmMaster>(bas);
  }
  std::unique_ptr<forms::Form> MakeProcessing(shell::BasModule&) override {
    throw std::runtime_error("The processing screen is not available yet");
  }
  std::unique_ptr<forms::Form> MakeReprocessing(shell::BasModule&) override {
    throw std::runtime_error("The re-processing screen is not available yet");
  }
  std::unique_ptr<forms::Form> MakeAfterSettlement(shell::BasModule&) override {
    throw std::runtime_error("The re-processing after settlement screen is not available yet");
  }
};

}  // namespace

std::unique_ptr<shell::WindowFactory> MakeWindowFactory() { return std::make_unique<ModuleWindows>(); }

}  // namespace hp::reg
