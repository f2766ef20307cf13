#include "finisher_filter.h"
#include "framework/filter_module.h"

constinit const FilterModuleDefinition kThisFilterModule{
    MakeGuid("{ACF994F0-C691-4546-8141-A7F794D3CE3E}"),
    MakeGuid("{4C7B822B-2F4B-4EA6-95D8-E9584C57D467}"),
    &CreateFilterObject<FinisherFilter>,
};
