// The options CUPS hands a filter, as print options of the shared table
// (host/print_options/). CUPS passes every attribute of the job, most of them
// not ours: only names the table has are kept. The PPD's standard keywords
// stand for table options (PageSize and PageRegion for media, Duplex for
// sides, Resolution for printer-resolution); an option given under the table's own name outranks them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/print_options/print_options.h"

namespace kestrel::cups_filter {

struct CupsOptions {
  std::vector<print_options::PrintOption> options;  // in the order they are to apply
  std::vector<std::string> ignored;                 // names that are not print options
};

// text: the options argument, parsed with libcups. copies: the copies
// argument, an option only when more than one.
CupsOptions PrintOptionsFromCups(const std::string& text, int copies);

}  // namespace kestrel::cups_filter
