#include "framework/filter_module.h"
#include "layout_filter.h"

constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{565E8DF1-288C-4EAE-BAAC-6DAE5096C63D}"),
    MakeGuid("{B4F49D45-28DE-40AC-B557-E642AC539303}"),
    &CreateFilterObject<LayoutFilter>,
};
