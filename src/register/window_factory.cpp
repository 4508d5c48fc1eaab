#include "register/window_factory.h"

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "processing/frm_processing.h"
#include "register/frm_master.h"
#include "reprocessing/frm_reprocessing.h"

namespace hp::reg {
namespace {

class ModuleWindows : public shell::WindowFactory {
 public:
  std::unique_ptr<forms::Form> MakeRegister(shell::BasModule& bas) override {
    return std::make_unique<FrmMaster>(bas);
  }
  std::unique_ptr<forms::Form> MakeProcessing(shell::BasModule& bas) override {
    return std::make_unique<processing::frmProcessing>(bas);
  }
  std::unique_ptr<forms::Form> MakeReprocessing(shell::BasModule& bas) override {
    return std::make_unique<reprocessing::frmReprocessing>(bas);
  }
  std::unique_ptr<forms::Form> MakeAfterSettlement(shell::BasModule& bas) override {
    return std::make_unique<aftersettlement::frmReprocessingAfterSettlemt>(bas);
  }
};

}  // namespace

std::unique_ptr<shell::WindowFactory> MakeWindowFactory() { return std::make_unique<ModuleWindows>(); }

}  // namespace hp::reg
