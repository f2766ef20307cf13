// The preparation filter: scales pages to the paper, adds watermarks, headers
// and footers. So far it passes every part on unchanged.
#pragma once

#include "framework/xps_filter_base.h"

class PreparationFilter final : public XpsFilterBase {};
