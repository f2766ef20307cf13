// The order in which a booklet group leaves the order filter: two pages side
// by side on each side of a sheet, the sheets nested so that the folded stack
// reads 1, 2, 3, ... .
#pragma once

#include <cstddef>
#include <vector>

#include "ticket/binding_settings.h"

// For a group of pageCount pages (a multiple of two), the index of the page
// in arrival order for every output position. The Booklet edge puts the
// outer page of each side first, BookletReverseFlip the inner one; any other
// edge keeps the arrival order.
std::vector<std::size_t> BookletOrder(std::size_t pageCount, BindingEdge bindingEdge);
