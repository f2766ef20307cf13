#include "preparation_filter.h"
#include "framework/filter_module.h"

constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{E16B816C-D1FB-43C8-9B0F-0D68ACAC1A40}"),
    MakeGuid("{E068A897-BE77-4097-B29E-5AD3615EA48A}"),
    &CreateFilterObject<PreparationFilter>,
};
