// The finisher filter: mirrored, turned and transverse sheets, cut-out marks.
// So far it passes every part on unchanged.
#pragma once

#include "framework/xps_filter_base.h"

class FinisherFilter final : public XpsFilterBase {};
