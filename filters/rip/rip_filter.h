// The rip filter: hands every page to the converter libraries and writes the
// printer data they return. So far it passes every part on unchanged, and it
// still carries the graphics-library session and the processing flag of the
// common base, which the converter-driven filter will not need.
#pragma once

#include "framework/xps_filter_base.h"

class RipFilter final : public XpsFilterBase {};
