// The layout filter: N-up, booklet and poster sheets. So far it passes every
// part on unchanged.
#pragma once

#include "framework/xps_filter_base.h"

class LayoutFilter final : public XpsFilterBase {};
