#include "order_filter.h"
#include "framework/filter_module.h"

constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{0338B91C-FB1A-409B-B13C-F0AE34025A82}"),
    MakeGuid("{977A71CB-A363-413E-A5C2-E68D4BB3CD62}"),
    &CreateFilterObject<OrderFilter>,
};
