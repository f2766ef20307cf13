// Where the bytes of a part come from: the input package (read only when a
// filter asks for them) or content a filter wrote during the job.
#pragma once

#include <memory>

#include "platform/print_stream.h"

namespace kestrel::host {

class ContentSource {
 public:
  virtual ~ContentSource() = default;
  // A new reader positioned at the first byte.
  virtual HRESULT OpenReader(IPrintReadStream** stream) = 0;
};

}  // namespace kestrel::host
