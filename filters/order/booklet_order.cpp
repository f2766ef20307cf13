#include "booklet_order.h"

#include <numeric>

std::vector<std::size_t> BookletOrder(std::size_t pageCount, BindingEdge bindingEdge) {
  std::vector<std::size_t> order(pageCount);
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (!IsBookletEdge(bindingEdge)) return order;
  // Side k of the stack carries the pages k and n-1-k; every second side is
  // the back of a sheet, where the two change places.
  for (std::size_t k = 0; k < pageCount / 2; ++k) {
    const std::size_t last = pageCount - 1 - k;
    const std::size_t outer = k % 2 == 0 ? last : k;
    const std::size_t inner = k % 2 == 0 ? k : last;
    const bool outerFirst = bindingEdge == BindingEdge::Booklet;
    order[2 * k] = outerFirst ? outer : inner;
    order[2 * k + 1] = outerFirst ? inner : outer;
  }
  return order;
}
