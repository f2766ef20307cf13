// The order filter: booklet page order and pad pages. So far it passes every
// part on unchanged.
#pragma once

#include "framework/xps_filter_base.h"

class OrderFilter final : public XpsFilterBase {};
