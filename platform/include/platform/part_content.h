// The bytes of one part as they travel through the pipeline: one writer fills
// them, any number of readers read them, and a reader may start while the
// writer is still at work.
//
// Readers see the bytes written so far. A read that finds no new byte blocks
// while the writer is open and returns as soon as at least one byte is ready
// (it returns fewer bytes than asked rather than wait for all of them).
// End-of-file comes only after the writer has closed and the reader has every
// byte. Seeking relative to the end waits for the writer to close, since the
// end is not known before. A writer released without Close counts as closed,
// so a reader never waits for a writer that is gone. WriteBytes after Close
// answers E_UNEXPECTED; a second Close does nothing.
//
// Abort ends the content with a failure instead: blocked and later reads,
// writes and seeks return that failure (the pipeline uses it to stop a job).
//
// The writer and the readers may work on different threads at once; each
// single reader or view is used by one thread at a time. The content lives
// as long as its last handle; a content dropped before any writer was
// handed out is complete (empty or as far as it got).
#pragma once

#include <memory>
#include <vector>

#include "platform/print_stream.h"
#include "platform/stream.h"

class PartContent {
 public:
  virtual ~PartContent() = default;

  // The one writer of this content; E_ACCESSDENIED once a writer was handed out.
  virtual HRESULT OpenWriter(IPrintWriteStream** writer) = 0;
  // A new reader positioned at the start.
  virtual HRESULT OpenReader(IPrintReadStream** reader) = 0;
  // A read-only IStream over the same bytes, positioned at the start. Read
  // blocks like ReadBytes (S_OK with 0 bytes at the end); Write and SetSize
  // answer STG_E_ACCESSDENIED; Stat reports the bytes written so far and
  // does not wait; Clone gives a second view at the same position.
  virtual HRESULT OpenStream(IStream** stream) = 0;

  // Bytes written so far.
  virtual ULONGLONG Size() const = 0;
  // True once the writer has closed (or was released) or the content was aborted.
  virtual bool IsComplete() const = 0;
  // Ends the content with a failure code (one that FAILED() holds for).
  // Without effect once complete.
  virtual void Abort(HRESULT reason) = 0;
};

// An empty content, writer not yet handed out; empty when memory runs out.
std::shared_ptr<PartContent> CreatePartContent();
// A complete content holding these bytes (no writer can be opened); empty
// when memory runs out.
std::shared_ptr<PartContent> CreateCompletePartContent(std::vector<BYTE> bytes);
// A reader over a complete content holding these bytes.
HRESULT CreateReadStreamOnBytes(std::vector<BYTE> bytes, IPrintReadStream** reader);
