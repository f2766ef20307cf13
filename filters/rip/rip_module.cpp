#include "filters/rip/manual_duplex_start.h"
#include "filters/rip/module_folder.h"
#include "filters/rip/rip_filter.h"
#include "framework/filter_module.h"

constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{4048888E-2F5E-491B-9AF4-5963D0011F0F}"),
    MakeGuid("{70EADFF1-3577-4A36-B037-297EB87A51C0}"),
    &CreateFilterObject<RipFilter>,
};

// Called by the print UI host with the argument of the rip filter's request:
// starts the manual-duplex program beside this library and waits for it.
// Always returns the same static empty string, which the caller must not free.
extern "C" __attribute__((visibility("default"))) const WCHAR* StartManualDuplex(const WCHAR* argument) {
  static constexpr WCHAR kEmpty[] = u"";
  if (argument) RunManualDuplexProgram(argument, ThisModuleFolder());
  return kEmpty;
}
