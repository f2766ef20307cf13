#include "filters/rip/rip_filter.h"
#include "framework/filter_module.h"

constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{4048888E-2F5E-491B-9AF4-5963D0011F0F}"),
    MakeGuid("{70EADFF1-3577-4A36-B037-297EB87A51C0}"),
    &CreateFilterObject<RipFilter>,
};
